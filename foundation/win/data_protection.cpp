#include "foundation/win/data_protection.h"

// after windows.h
#include <dpapi.h>
#include <wincrypt.h>

namespace {
constexpr DWORD kEntropySize = 32;

class CProtectedOutput {
 public:
  CProtectedOutput() = default;
  CProtectedOutput(const CProtectedOutput&) = delete;
  CProtectedOutput& operator=(const CProtectedOutput&) = delete;
  ~CProtectedOutput() {
    if (blob.pbData == nullptr) return;
    luma::SecureWipe(blob.pbData, blob.cbData);
    LocalFree(blob.pbData);
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
  HCRYPTPROV provider = 0;
  if (entropy.empty()) return;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return;
  CryptGenRandom(provider, entropy.size, entropy.data);
  CryptReleaseContext(provider, 0);
}

bool CDataProtection::Protect(const CSecureBuffer& data, CSecureBuffer& protectedData) const {
  DATA_BLOB input = InputBlob(data);
  DATA_BLOB optionalEntropy = {entropy.size, entropy.data};
  CProtectedOutput output;
  if (!CryptProtectData(&input, nullptr, entropy.empty() ? nullptr : &optionalEntropy, nullptr, nullptr,
                        localMachine ? CRYPTPROTECT_LOCAL_MACHINE : 0, &output.blob)) {
    return false;
  }
  return TakeOutput(output, protectedData);
}

bool CDataProtection::Unprotect(const CSecureBuffer& protectedData, CSecureBuffer& data) const {
  DATA_BLOB input = InputBlob(protectedData);
  DATA_BLOB optionalEntropy = {entropy.size, entropy.data};
  CProtectedOutput output;
  if (!CryptUnprotectData(&input, nullptr, entropy.empty() ? nullptr : &optionalEntropy, nullptr, nullptr,
                          localMachine ? CRYPTPROTECT_LOCAL_MACHINE : 0, &output.blob)) {
    return false;
  }
  return TakeOutput(output, data);
}
