#include "service/exchange/message_envelope.h"

#include "foundation/core/random_source.h"
#include "foundation/win/unique_handle.h"
#include "service/core/block_padding.h"
#include "service/exchange/content_cipher.h"
#include "service/exchange/key_transport.h"

namespace luma {
namespace service {

namespace {
bool RandomBuffer(DWORD size, CSecureBuffer& out) {
  CSecureBuffer bytes(size);
  if (bytes.size != size || !GenerateRandomBytes(bytes.data, bytes.size)) return false;
  out = std::move(bytes);
  return true;
}
}  // namespace

DWORD EnvelopeFaultError(EnvelopeFault fault) {
  switch (fault) {
    case EnvelopeFault::kNone:
      return ERROR_SUCCESS;
    case EnvelopeFault::kMalformed:
      return static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT);
    case EnvelopeFault::kNotEnvelopedData:
      return static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE);
    case EnvelopeFault::kUnsupportedForm:
      return static_cast<DWORD>(CRYPT_E_MSG_ERROR);
    case EnvelopeFault::kUnsupportedAlgorithm:
      return static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO);
  }
  return ERROR_INTERNAL_ERROR;
}

DWORD EncryptEnvelope(PCCERT_CONTEXT recipient, const CSecureBuffer& plain, CSecureBuffer& envelope) {
  if (recipient == nullptr) return ERROR_INVALID_PARAMETER;
  Envelope parts;
  parts.recipients.resize(1);
  EnvelopeRecipient& to = parts.recipients.front();
  const EnvelopeFault fault =
      ReadCertificateIssuerAndSerial(recipient->pbCertEncoded, recipient->cbCertEncoded, to.id);
  if (fault != EnvelopeFault::kNone) return EnvelopeFaultError(fault);

  CSecureBuffer contentKey, padded;
  if (!RandomBuffer(kContentKeySize, contentKey) || !RandomBuffer(kCipherBlockSize, parts.iv))
    return static_cast<DWORD>(NTE_FAIL);
  if (!AddBlockPadding(plain, padded)) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD error = EncryptContentBlocks(contentKey, parts.iv, padded, parts.encryptedContent);
  if (error == ERROR_SUCCESS) error = WrapContentKey(recipient, contentKey, to.encryptedKey);
  if (error != ERROR_SUCCESS) return error;
  CSecureBuffer written;
  if (!WriteEnvelope(parts, written)) return ERROR_NOT_ENOUGH_MEMORY;
  envelope = std::move(written);
  return ERROR_SUCCESS;
}

DWORD DecryptEnvelope(const CSecureBuffer& envelope, const IssuerAndSerial& self, HCRYPTPROV keyContainer,
                      CSecureBuffer& plain) {
  plain.Clear();
  Envelope parts;
  const EnvelopeFault fault = ReadEnvelope(envelope.data, envelope.size, parts);
  if (fault != EnvelopeFault::kNone) return EnvelopeFaultError(fault);
  const EnvelopeRecipient* recipient = FindRecipient(parts, self);
  if (recipient == nullptr) return static_cast<DWORD>(CRYPT_E_NO_DECRYPT_CERT);

  CCryptKeyHandle exchangeKey;
  if (!CryptGetUserKey(keyContainer, AT_KEYEXCHANGE, exchangeKey.put())) return GetLastError();
  CSecureBuffer contentKey, padded, content;
  DWORD error = UnwrapContentKey(exchangeKey.get(), recipient->encryptedKey, contentKey);
  if (error == ERROR_SUCCESS)
    error = DecryptContentBlocks(contentKey, parts.iv, parts.encryptedContent, padded);
  if (error != ERROR_SUCCESS) return error;
  if (!RemoveBlockPadding(padded, content)) return static_cast<DWORD>(NTE_BAD_DATA);
  plain = std::move(content);
  return ERROR_SUCCESS;
}

}  // namespace service
}  // namespace luma
