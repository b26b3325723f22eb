// A key pair in the platform's RSA and AES provider with a self-signed certificate whose key provider
// information names it, for the signing and decryption tests; removed at the end.
#ifndef LUMA_PKCS11_MODULE_TESTS_KEY_CONTAINER_SUPPORT_H_
#define LUMA_PKCS11_MODULE_TESTS_KEY_CONTAINER_SUPPORT_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "pkcs11/module/tests/token_test_support.h"

class CTestKeyContainer {
 public:
  // A 2048-bit key of the given key type (AT_KEYEXCHANGE or AT_SIGNATURE) and its certificate "CN=<name>".
  CTestKeyContainer(DWORD keySpec, const std::wstring& name);
  ~CTestKeyContainer();
  CTestKeyContainer(const CTestKeyContainer&) = delete;
  CTestKeyContainer& operator=(const CTestKeyContainer&) = delete;

  // Adds the certificate with its key provider information to the store; returns its SHA-1 hash.
  Bytes addTo(HCERTSTORE store) const;
  PCCERT_CONTEXT certificate() const { return cert.get(); }

  // Checks a big-endian PKCS#1 v1.5 signature over the hash (of the CryptoAPI hash id) with the
  // certificate's public key.
  bool verifies(ALG_ID algId, const Bytes& hash, const Bytes& signature) const;
  // A big-endian PKCS#1 v1.5 ciphertext of the message under the certificate's public key.
  Bytes encrypt(const Bytes& message) const;

 private:
  std::wstring container;
  DWORD keySpec;
  luma::CCryptProviderHandle provider;
  luma::CCertContextHandle cert;
};

#endif  // LUMA_PKCS11_MODULE_TESTS_KEY_CONTAINER_SUPPORT_H_
