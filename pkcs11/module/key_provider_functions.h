// The platform calls through which signing and decryption reach a certificate's private key. The
// CNG ones are bound when first called (ncrypt.dll is loaded only by a module that signs with a CNG
// key); tests that link the module replace the acquisition and the CNG calls, since some platforms
// cannot hand out a CNG key for a certificate.
#ifndef LUMA_PKCS11_MODULE_KEY_PROVIDER_FUNCTIONS_H_
#define LUMA_PKCS11_MODULE_KEY_PROVIDER_FUNCTIONS_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>
// after wincrypt.h
#include <bcrypt.h>
#include <ncrypt.h>

namespace luma {
namespace pkcs11 {

struct CKeyProviderFunctions {
  decltype(&CryptAcquireCertificatePrivateKey) acquirePrivateKey;
  decltype(&NCryptSignHash) signHash;
  decltype(&NCryptDecrypt) decrypt;
  decltype(&NCryptSetProperty) setProperty;
  decltype(&NCryptFreeObject) freeObject;
};

// The platform's functions.
CKeyProviderFunctions platformKeyProviderFunctions();
// What the operations call; the platform's unless a test replaced them.
const CKeyProviderFunctions& keyProviderFunctions();
void setKeyProviderFunctions(const CKeyProviderFunctions& functions);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_KEY_PROVIDER_FUNCTIONS_H_
