// Signing and decryption: not offered by this build yet.
#include "pkcs11/module/entry_frame.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::runInitialisedEntry;

template <typename Describe>
CK_RV notYet(const char* name, Describe&& describe) noexcept {
  return runInitialisedEntry(name, describe, [] { return CKR_FUNCTION_NOT_SUPPORTED; });
}

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_SignInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                              CK_OBJECT_HANDLE hKey) {
  return notYet("C_SignInit", [&](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer("pMechanism", pMechanism).number("hKey", hKey);
  });
}

CK_RV LUMA_CK_CALL C_Sign(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                          CK_BYTE_PTR pSignature, CK_ULONG_PTR pulSignatureLen) {
  return notYet("C_Sign", [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pData", pData)
        .number("ulDataLen", ulDataLen)
        .pointer("pSignature", pSignature)
        .pointer("pulSignatureLen", pulSignatureLen);
  });
}

CK_RV LUMA_CK_CALL C_DecryptInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                 CK_OBJECT_HANDLE hKey) {
  return notYet("C_DecryptInit", [&](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer("pMechanism", pMechanism).number("hKey", hKey);
  });
}

CK_RV LUMA_CK_CALL C_Decrypt(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedData,
                             CK_ULONG ulEncryptedDataLen, CK_BYTE_PTR pData, CK_ULONG_PTR pulDataLen) {
  return notYet("C_Decrypt", [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pEncryptedData", pEncryptedData)
        .number("ulEncryptedDataLen", ulEncryptedDataLen)
        .pointer("pData", pData)
        .pointer("pulDataLen", pulDataLen);
  });
}

}  // extern "C"
