#include "pkcs11/module/key_provider_functions.h"

namespace luma {
namespace pkcs11 {

namespace {

// ncrypt.dll stays loaded once it was needed: handles of its keys may outlive any one call.
FARPROC ncryptFunction(const char* name) {
  static const HMODULE ncrypt = LoadLibraryW(L"ncrypt.dll");
  return ncrypt != nullptr ? GetProcAddress(ncrypt, name) : nullptr;
}

template <typename Function>
Function bound(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(ncryptFunction(name)));
}

SECURITY_STATUS WINAPI lateSignHash(NCRYPT_KEY_HANDLE key, VOID* padding, PBYTE hash, DWORD hashSize,
                                    PBYTE signature, DWORD signatureSize, DWORD* written, DWORD flags) {
  static const auto function = bound<decltype(&NCryptSignHash)>("NCryptSignHash");
  if (function == nullptr) return NTE_PROVIDER_DLL_FAIL;
  return function(key, padding, hash, hashSize, signature, signatureSize, written, flags);
}

SECURITY_STATUS WINAPI lateDecrypt(NCRYPT_KEY_HANDLE key, PBYTE input, DWORD inputSize, VOID* padding,
                                   PBYTE output, DWORD outputSize, DWORD* written, DWORD flags) {
  static const auto function = bound<decltype(&NCryptDecrypt)>("NCryptDecrypt");
  if (function == nullptr) return NTE_PROVIDER_DLL_FAIL;
  return function(key, input, inputSize, padding, output, outputSize, written, flags);
}

SECURITY_STATUS WINAPI lateSetProperty(NCRYPT_HANDLE object, LPCWSTR property, PBYTE value, DWORD size,
                                       DWORD flags) {
  static const auto function = bound<decltype(&NCryptSetProperty)>("NCryptSetProperty");
  if (function == nullptr) return NTE_PROVIDER_DLL_FAIL;
  return function(object, property, value, size, flags);
}

SECURITY_STATUS WINAPI lateFreeObject(NCRYPT_HANDLE object) {
  static const auto function = bound<decltype(&NCryptFreeObject)>("NCryptFreeObject");
  if (function == nullptr) return NTE_PROVIDER_DLL_FAIL;
  return function(object);
}

CKeyProviderFunctions& current() {
  static CKeyProviderFunctions functions = platformKeyProviderFunctions();
  return functions;
}

}  // namespace

CKeyProviderFunctions platformKeyProviderFunctions() {
  return {CryptAcquireCertificatePrivateKey, lateSignHash, lateDecrypt, lateSetProperty, lateFreeObject};
}

const CKeyProviderFunctions& keyProviderFunctions() { return current(); }

void setKeyProviderFunctions(const CKeyProviderFunctions& functions) { current() = functions; }

}  // namespace pkcs11
}  // namespace luma
