#include "pkcs11/module/rsa_operation.h"

// after windows.h
#include <bcrypt.h>
#include <ncrypt.h>

#include <cstring>

#include "foundation/win/unique_handle.h"
#include "pkcs11/module/key_provider_functions.h"
#include "pkcs11/module/module_log.h"

namespace {

using luma::pkcs11::keyProviderFunctions;

CModuleDebugLog& log() { return luma::pkcs11::moduleLog(); }

constexpr DWORD kAcquireFlags = CRYPT_ACQUIRE_PREFER_NCRYPT_KEY_FLAG | CRYPT_ACQUIRE_USE_PROV_INFO_FLAG;
static_assert(kAcquireFlags == 0x20002, "CNG keys preferred, through the certificate's provider information");

// No interactive desktop (a locked workstation, a service): a provider's dialog could never be
// answered.
bool inputDesktopAvailable() {
  HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (desktop == nullptr) return false;
  CloseDesktop(desktop);
  return true;
}

}  // namespace

RSAOperation::RSAOperation(PCCERT_CONTEXT certificate, HWND window) {
  DWORD flags = kAcquireFlags;
  if (!inputDesktopAvailable()) {
    log().print(kLogInfo,
                "  Workstation is locked. Setting CRYPT_ACQUIRE_SILENT_FLAG to prevent possible deadlock.");
    flags |= CRYPT_ACQUIRE_SILENT_FLAG;
  }
  keyBits = CertGetPublicKeyLength(X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo);
  if (!keyProviderFunctions().acquirePrivateKey(certificate, flags, nullptr, &keyHandle, &keySpec,
                                                &callerFree)) {
    acquireError = GetLastError();
    if (acquireError == 0) acquireError = static_cast<DWORD>(NTE_FAIL);
    keyHandle = 0;
    return;
  }
  acquireError = 0;
  if (window == nullptr) return;
  if (isCngKey()) {
    log().print(kLogTrace, "  Acquired NCrypt key handle 0x%08x", static_cast<unsigned>(keyHandle));
    DWORD windowBits = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
    keyProviderFunctions().setProperty(keyHandle, NCRYPT_WINDOW_HANDLE_PROPERTY,
                                       reinterpret_cast<PBYTE>(&windowBits), sizeof(windowBits), 0);
  } else {
    log().print(kLogTrace, "  Acquired CAPI provider context 0x%08x", static_cast<unsigned>(keyHandle));
    CryptSetProvParam(keyHandle, PP_CLIENT_HWND, reinterpret_cast<const BYTE*>(&window), 0);
  }
}

RSAOperation::~RSAOperation() {
  if (keyHandle == 0 || !callerFree) {
    log().print(kLogTrace, "  Context 0x%08x not released", static_cast<unsigned>(keyHandle));
    return;
  }
  if (isCngKey()) {
    log().print(kLogTrace, "  Releasing CNG key handle 0x%08x", static_cast<unsigned>(keyHandle));
    keyProviderFunctions().freeObject(keyHandle);
  } else {
    log().print(kLogTrace, "  Releasing CAPI context 0x%08x", static_cast<unsigned>(keyHandle));
    CryptReleaseContext(keyHandle, 0);
  }
}

bool RSAOperation::setPin(const CByteBuffer& pin) {
  if (isCngKey() || keyHandle == 0) return false;
  CByteBuffer terminated(pin.size() + 1);  // zeroed: the PIN and its terminating zero
  if (terminated.size() != pin.size() + 1) return false;
  if (!pin.empty()) std::memcpy(terminated.data(), pin.data(), pin.size());
  return CryptSetProvParam(keyHandle, PP_KEYEXCHANGE_PIN, terminated.data(), 0) != FALSE;
}

CK_RV RSAPKCSSignOperation::sign(const CByteBuffer& input, const luma::pkcs11::CSignedDigest& digest,
                                 CByteBuffer& signature) {
  return isCngKey() ? signWithCng(input, digest, signature) : signWithCryptoApi(digest, signature);
}

CK_RV RSAPKCSSignOperation::signWithCng(const CByteBuffer& input, const luma::pkcs11::CSignedDigest& digest,
                                        CByteBuffer& signature) {
  // A hash of an algorithm the module does not know: the whole DigestInfo is signed with PKCS#1
  // padding, so that the signature still names the caller's algorithm.
  const bool whole = digest.algId == luma::pkcs11::kAlgUnknown;
  CByteBuffer toSign = whole ? input : digest.hash;
  BCRYPT_PKCS1_PADDING_INFO padding = {whole ? nullptr : reinterpret_cast<LPCWSTR>(digest.cngName)};
  DWORD size = 0;
  const auto signHash = keyProviderFunctions().signHash;
  SECURITY_STATUS status =
      signHash(keyHandle, &padding, toSign.data(), toSign.size(), nullptr, 0, &size, BCRYPT_PAD_PKCS1);
  if (status != ERROR_SUCCESS || size == 0) return CKR_FUNCTION_FAILED;
  CByteBuffer output(size);
  if (output.size() != size) return CKR_HOST_MEMORY;
  DWORD written = 0;
  status = signHash(keyHandle, &padding, toSign.data(), toSign.size(), output.data(), size, &written,
                    BCRYPT_PAD_PKCS1);
  if (status != ERROR_SUCCESS || written > size) return CKR_FUNCTION_FAILED;
  signature = CByteBuffer(written, output.data());
  return signature.size() == written ? CKR_OK : CKR_HOST_MEMORY;
}

CK_RV RSAPKCSSignOperation::signWithCryptoApi(const luma::pkcs11::CSignedDigest& digest,
                                              CByteBuffer& signature) {
  luma::CCryptHashHandle hash;
  if (!CryptCreateHash(keyHandle, digest.algId, 0, 0, hash.put()) ||
      !CryptSetHashParam(hash.get(), HP_HASHVAL, digest.hash.data(), 0)) {
    return CKR_DEVICE_ERROR;  // an algorithm the provider does not know ends here
  }
  DWORD size = 0;
  if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, nullptr, &size)) {
    log().print(kLogError, "CryptSignHash failed: 0x%08x", static_cast<unsigned>(GetLastError()));
    return CKR_FUNCTION_FAILED;
  }
  CByteBuffer output(size);
  if (output.size() != size) return CKR_HOST_MEMORY;
  if (!CryptSignHashA(hash.get(), keySpec, nullptr, 0, output.data(), &size) || size > output.size()) {
    return CKR_FUNCTION_FAILED;
  }
  signature = CByteBuffer(size, output.data());
  signature.reverse();  // CryptoAPI's little-endian integer
  return CKR_OK;
}

CK_RV RSAPKCSDecryptOperation::decrypt(const CByteBuffer& cipherText, CByteBuffer& plainText) {
  if (isCngKey()) {
    CByteBuffer output(cipherText.size());
    if (output.size() != cipherText.size()) return CKR_HOST_MEMORY;
    DWORD written = 0;
    CByteBuffer input = cipherText;
    const SECURITY_STATUS status =
        keyProviderFunctions().decrypt(keyHandle, input.data(), input.size(), nullptr, output.data(),
                                       output.size(), &written, NCRYPT_PAD_PKCS1_FLAG);
    if (status != ERROR_SUCCESS) {
      log().print(kLogInfo, "  NCryptDecrypt failed with 0x%08x", static_cast<unsigned>(status));
      return status == NTE_BAD_DATA ? CKR_ENCRYPTED_DATA_INVALID : CKR_FUNCTION_FAILED;
    }
    if (written > output.size()) return CKR_FUNCTION_FAILED;
    plainText = CByteBuffer(written, output.data());
    return CKR_OK;
  }
  luma::CCryptKeyHandle key;
  if (!CryptGetUserKey(keyHandle, keySpec, key.put())) return CKR_GENERAL_ERROR;
  CByteBuffer buffer = cipherText;
  if (buffer.size() != cipherText.size()) return CKR_HOST_MEMORY;
  buffer.reverse();  // CryptoAPI takes the integer least significant byte first
  DWORD length = buffer.size();
  if (!CryptDecrypt(key.get(), 0, TRUE, 0, buffer.data(), &length) || length > buffer.size()) {
    return CKR_ENCRYPTED_DATA_INVALID;
  }
  plainText = CByteBuffer(length, buffer.data());
  return CKR_OK;
}
