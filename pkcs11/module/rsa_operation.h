// A signature or decryption with the private key of one certificate, acquired for the operation
// from whichever provider the certificate's key provider information names: a CryptoAPI provider or
// a CNG key storage provider. The key is released when the operation ends.
#ifndef LUMA_PKCS11_MODULE_RSA_OPERATION_H_
#define LUMA_PKCS11_MODULE_RSA_OPERATION_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <mutex>

#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/cryptoki.h"
#include "pkcs11/core/digest_info.h"
#include "pkcs11/module/operation.h"

class RSAOperation : public Operation {
 public:
  // Acquires the certificate's private key; a locked workstation acquires it silently. The window,
  // when there is one, becomes the parent of the provider's dialogs.
  RSAOperation(PCCERT_CONTEXT certificate, HWND window);
  ~RSAOperation() override;

  // A key was acquired and named its spec.
  bool hasKey() const { return acquireError == 0 && keySpec != 0; }
  DWORD getAcquireError() const { return acquireError; }
  DWORD getKeySpec() const { return keySpec; }
  bool isCngKey() const { return keySpec == CERT_NCRYPT_KEY_SPEC; }
  DWORD getKeyBytes() const { return (keyBits + 7) / 8; }

  // Hands the PIN to a CryptoAPI key (PP_KEYEXCHANGE_PIN); false when the provider refused it.
  bool setPin(const CByteBuffer& pin);

  // Calls on one operation from several threads take turns.
  std::mutex& callMutex() { return calls; }

 protected:
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE keyHandle = 0;
  DWORD acquireError = 0;
  DWORD keySpec = 0;
  DWORD keyBits = 0;
  BOOL callerFree = FALSE;
  std::mutex calls;
};

// The outcome of a provider call: CKR_OK with the output, or the failure that ends the operation.
class RSAPKCSSignOperation : public RSAOperation {
 public:
  using RSAOperation::RSAOperation;
  // `input` is what the caller asked to have signed (a DigestInfo or the SSL 3.0 pair), `digest`
  // its parts. The signature is big-endian.
  CK_RV sign(const CByteBuffer& input, const luma::pkcs11::CSignedDigest& digest, CByteBuffer& signature);

 private:
  CK_RV signWithCng(const CByteBuffer& input, const luma::pkcs11::CSignedDigest& digest,
                    CByteBuffer& signature);
  CK_RV signWithCryptoApi(const luma::pkcs11::CSignedDigest& digest, CByteBuffer& signature);
};

class RSAPKCSDecryptOperation : public RSAOperation {
 public:
  using RSAOperation::RSAOperation;
  // `cipherText` is big-endian; the plaintext comes without its padding.
  CK_RV decrypt(const CByteBuffer& cipherText, CByteBuffer& plainText);
};

#endif  // LUMA_PKCS11_MODULE_RSA_OPERATION_H_
