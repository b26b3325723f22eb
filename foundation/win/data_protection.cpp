#include "foundation/win/data_protection.h"

// after windows.h
#include <dpapi.h>
#include <wincrypt.h>

#include "foundation/core/random_source.h"
#include "foundation/win/unique_handle.h"

namespace {
constexpr DWORD kEntropySize = 32;

// The platform's output block: wiped, then freed by its owner.
class CProtectedOutput {
 public:
  CProtectedOutput() = default;
  CProtectedOutput(const CProtectedOutput&) = delete;
  CProtectedOutput& operator=(const CProtectedOutput&) = delete;
  ~CProtectedOutput() {
    luma::SecureWipe(blob.pbData, blob.cbData);
    luma::CLocalMemoryHandle owner(blob.pbData);
  }
  DATA_BLOB blob = {0, nullptr};
};

// DPAPI refuses a null pointer even for zero bytes, so empty data points at a byte of its own.
DATA_BLOB InputBlob(const CSecureBuffer& buffer) {
  static BYTE none = 0;
  return DATA_BLOB{buffer.size, buffer.empty() ? &none : buffer.data};
}

bool TakeOutput(const CProtectedOutput& output, CSecureBuffer& out) {
  CSecureBuffer copy(output.blob.cbData, output.blob.pbData);
  if (copy.size != output.blob.cbData) return false;
  out = std::move(copy);
  return true;
}
}  // namespace

CDataProtection::CDataProtection() : entropy(kEntropySize) {
  // Known (all-zero) entropy would let any instance open this one's blobs: without random bytes
  // the instance keeps no entropy and refuses to protect or unprotect anything.
  if (!entropy.empty() && !luma::GenerateRandomBytes(entropy.data, entropy.size)) entropy.Clear();
}

bool CDataProtection::Protect(const CSecureBuffer& data, CSecureBuffer& protectedData) const {
  if (entropy.empty()) return false;
  DATA_BLOB input = InputBlob(data);
  DATA_BLOB optionalEntropy = {entropy.size, entropy.data};
  CProtectedOutput output;
  if (!CryptProtectData(&input, nullptr, &optionalEntropy, nullptr, nullptr,
                        localMachine ? CRYPTPROTECT_LOCAL_MACHINE : 0, &output.blob)) {
    return false;
  }
  return TakeOutput(output, protectedData);
}

bool CDataProtection::Unprotect(const CSecureBuffer& protectedData, CSecureBuffer& data) const {
  if (entropy.empty()) return false;
  DATA_BLOB input = InputBlob(protectedData);
  DATA_BLOB optionalEntropy = {entropy.size, entropy.data};
  CProtectedOutput output;
  if (!CryptUnprotectData(&input, nullptr, &optionalEntropy, nullptr, nullptr,
                          localMachine ? CRYPTPROTECT_LOCAL_MACHINE : 0, &output.blob)) {
    return false;
  }
  return TakeOutput(output, data);
}
