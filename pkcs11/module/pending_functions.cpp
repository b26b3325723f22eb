// Object search, attribute access, signing and decryption: not offered by this build yet.
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

CK_RV LUMA_CK_CALL C_GetObjectSize(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                   CK_ULONG_PTR pulSize) {
  return notYet("C_GetObjectSize", [&](CArgumentTrace& a) {
    a.number("hSession", hSession).number("hObject", hObject).pointer("pulSize", pulSize);
  });
}

CK_RV LUMA_CK_CALL C_GetAttributeValue(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                       CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount) {
  return notYet("C_GetAttributeValue", [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .number("hObject", hObject)
        .pointer("pTemplate", pTemplate)
        .number("ulCount", ulCount);
  });
}

CK_RV LUMA_CK_CALL C_FindObjectsInit(CK_SESSION_HANDLE hSession, CK_ATTRIBUTE_PTR pTemplate,
                                     CK_ULONG ulCount) {
  return notYet("C_FindObjectsInit", [&](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer("pTemplate", pTemplate).number("ulCount", ulCount);
  });
}

CK_RV LUMA_CK_CALL C_FindObjects(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE_PTR phObject,
                                 CK_ULONG ulMaxObjectCount, CK_ULONG_PTR pulObjectCount) {
  return notYet("C_FindObjects", [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("phObject", phObject)
        .number("ulMaxObjectCount", ulMaxObjectCount)
        .pointer("pulObjectCount", pulObjectCount);
  });
}

CK_RV LUMA_CK_CALL C_FindObjectsFinal(CK_SESSION_HANDLE hSession) {
  return notYet("C_FindObjectsFinal", [&](CArgumentTrace& a) { a.number("hSession", hSession); });
}

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
