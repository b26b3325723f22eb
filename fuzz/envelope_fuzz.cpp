// Feeds arbitrary bytes to the enveloped-data reader, both whole and as edits of a valid envelope
// (so the search starts deep inside the structure), and to the block padding. Whatever is read
// must write back and read again to the same envelope.
#include <cstdlib>

#include "service/core/block_padding.h"
#include "service/core/enveloped_data.h"
#include "service/core/tests/envelope_sample.h"

namespace {
using luma::service::Envelope;
using luma::service::EnvelopeFault;

bool SameEnvelope(const Envelope& a, const Envelope& b) {
  if (a.recipients.size() != b.recipients.size() || a.iv != b.iv || a.encryptedContent != b.encryptedContent)
    return false;
  for (std::size_t i = 0; i < a.recipients.size(); ++i) {
    if (!(a.recipients[i].id == b.recipients[i].id) ||
        a.recipients[i].encryptedKey != b.recipients[i].encryptedKey)
      return false;
  }
  return true;
}

void Check(const CSecureBuffer& input) {
  Envelope envelope;
  const EnvelopeFault fault = luma::service::ReadEnvelope(input.data, input.size, envelope);
  if (fault != EnvelopeFault::kNone) {
    if (!envelope.recipients.empty()) std::abort();  // a refused envelope leaves the output alone
    return;
  }
  if (envelope.recipients.empty() || envelope.recipients.size() > luma::service::kMaxRecipients ||
      envelope.iv.size != luma::service::kCipherBlockSize || envelope.encryptedContent.empty() ||
      envelope.encryptedContent.size % luma::service::kCipherBlockSize != 0 ||
      envelope.encryptedContent.size > input.size)
    std::abort();
  if (luma::service::FindRecipient(envelope, envelope.recipients.back().id) == nullptr) std::abort();
  envelope.recipients.resize(1);
  CSecureBuffer written;
  Envelope again;
  if (!luma::service::WriteEnvelope(envelope, written) ||
      luma::service::ReadEnvelope(written.data, written.size, again) != EnvelopeFault::kNone ||
      !SameEnvelope(envelope, again))
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const CSecureBuffer input(static_cast<DWORD>(size), data);
  Check(input);

  // Each three input bytes overwrite one byte of the sample: offset (two bytes) and value.
  CSecureBuffer edited(sizeof(envelope_sample::kEnvelope), envelope_sample::kEnvelope);
  for (size_t i = 0; i + 3 <= size && i < 3 * 8; i += 3) {
    const DWORD offset = ((static_cast<DWORD>(data[i]) << 8) | data[i + 1]) % edited.size;
    edited.data[offset] = data[i + 2];
  }
  Check(edited);

  luma::service::IssuerAndSerial id;
  luma::service::ReadCertificateIssuerAndSerial(input.data, input.size, id);

  CSecureBuffer plain;
  if (luma::service::RemoveBlockPadding(input, plain)) {
    CSecureBuffer padded;
    if (plain.size >= input.size || !luma::service::AddBlockPadding(plain, padded) || padded != input)
      std::abort();
  }
  return 0;
}
