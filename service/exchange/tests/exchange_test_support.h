// Shared pieces of the exchange-key tests: a key container of the test's own, certificates as
// contexts, and plain bytes to envelope.
#ifndef LUMA_SERVICE_EXCHANGE_TESTS_EXCHANGE_TEST_SUPPORT_H_
#define LUMA_SERVICE_EXCHANGE_TESTS_EXCHANGE_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"
#include "service/exchange/message_encryption.h"

// A container name no other test process uses, deleted when the object goes.
class CTestContainer {
 public:
  explicit CTestContainer(const char* purpose) {
    const std::string text(purpose);
    name_ = L"luma-test-exchange-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::wstring(text.begin(), text.end());
    Delete();
  }
  ~CTestContainer() { Delete(); }
  CTestContainer(const CTestContainer&) = delete;
  CTestContainer& operator=(const CTestContainer&) = delete;

  const std::wstring& name() const { return name_; }

 private:
  void Delete() {
    HCRYPTPROV ignored = 0;  // deleting never returns a handle
    CryptAcquireContextW(&ignored, name_.c_str(), nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET | CRYPT_SILENT);
  }
  std::wstring name_;
};

// An exchange key in the test's own container, ready before the test goes on: a decryption waits
// only a few seconds for its key, and under CPU emulation and load a new 2048-bit key can take longer.
inline std::shared_ptr<CMessageEncryption> ReadyExchangeKey(const std::wstring& containerName) {
  auto key = std::make_shared<CMessageEncryption>(containerName);
  EXPECT_EQ(key->WaitForKey(120000), 0u) << "the test's exchange key was not made within two minutes";
  return key;
}

inline luma::CCertContextHandle CertificateOf(const CSecureBuffer& der) {
  return luma::CCertContextHandle(CertCreateCertificateContext(X509_ASN_ENCODING, der.data, der.size));
}

inline CSecureBuffer PlainBytes(DWORD size, BYTE seed) {
  CSecureBuffer bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes.data[i] = static_cast<BYTE>(seed + i * 7);
  return bytes;
}

#endif  // LUMA_SERVICE_EXCHANGE_TESTS_EXCHANGE_TEST_SUPPORT_H_
