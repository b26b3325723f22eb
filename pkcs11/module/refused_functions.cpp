// The entry points of operations the token does not offer: each answers its fixed code after the
// initialisation check and the checks it makes of its own.
#include "pkcs11/module/entry_frame.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::moduleState;
using luma::pkcs11::runInitialisedEntry;

// An entry point that refuses with `code` and checks nothing else.
template <typename Describe>
CK_RV refuse(const char* name, CK_RV code, Describe&& describe) noexcept {
  return runInitialisedEntry(name, describe, [code] { return code; });
}

// An entry point that refuses with `code` once the session handle proved valid.
template <typename Describe>
CK_RV refuseInSession(const char* name, CK_SESSION_HANDLE hSession, CK_RV code,
                      Describe&& describe) noexcept {
  return runInitialisedEntry(name, describe, [&] {
    CSessionRef session;
    const CK_RV found = moduleState().getSessions().lookup(hSession, session);
    return found != CKR_OK ? found : code;
  });
}

// The argument lines of the many entry points that take a session and one data part.
auto sessionAndPart(CK_SESSION_HANDLE hSession, const char* partName, const void* part,
                    const char* lengthName, CK_ULONG length) {
  return [=](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer(partName, part).number(lengthName, length);
  };
}

auto sessionInOut(CK_SESSION_HANDLE hSession, const char* inName, const void* in, const char* inLengthName,
                  CK_ULONG inLength, const char* outName, const void* out, const char* outLengthName,
                  const void* outLength) {
  return [=](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer(inName, in)
        .number(inLengthName, inLength)
        .pointer(outName, out)
        .pointer(outLengthName, outLength);
  };
}

auto sessionOutput(CK_SESSION_HANDLE hSession, const char* outName, const void* out,
                   const char* outLengthName, const void* outLength) {
  return [=](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer(outName, out).pointer(outLengthName, outLength);
  };
}

auto sessionMechanismKey(CK_SESSION_HANDLE hSession, const void* mechanism, CK_OBJECT_HANDLE key) {
  return [=](CArgumentTrace& a) {
    a.number("hSession", hSession).pointer("pMechanism", mechanism).number("hKey", key);
  };
}

auto sessionOnly(CK_SESSION_HANDLE hSession) {
  return [=](CArgumentTrace& a) { a.number("hSession", hSession); };
}

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_InitToken(CK_SLOT_ID slotID, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen,
                               CK_UTF8CHAR_PTR pLabel) {
  return runInitialisedEntry(
      "C_InitToken",
      [&](CArgumentTrace& a) {
        a.number("slotID", slotID)
            .pointer("pPin", pPin)
            .number("ulPinLen", ulPinLen)
            .pointer("pLabel", pLabel);
      },
      [&] { return moduleState().findSlot(slotID) ? CKR_TOKEN_WRITE_PROTECTED : CKR_SLOT_ID_INVALID; });
}

CK_RV LUMA_CK_CALL C_InitPIN(CK_SESSION_HANDLE hSession, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen) {
  return refuse("C_InitPIN", CKR_TOKEN_WRITE_PROTECTED,
                sessionAndPart(hSession, "pPin", pPin, "ulPinLen", ulPinLen));
}

CK_RV LUMA_CK_CALL C_SetPIN(CK_SESSION_HANDLE hSession, CK_UTF8CHAR_PTR pOldPin, CK_ULONG ulOldLen,
                            CK_UTF8CHAR_PTR pNewPin, CK_ULONG ulNewLen) {
  return refuse("C_SetPIN", CKR_TOKEN_WRITE_PROTECTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pOldPin", pOldPin)
        .number("ulOldLen", ulOldLen)
        .pointer("pNewPin", pNewPin)
        .number("ulNewLen", ulNewLen);
  });
}

CK_RV LUMA_CK_CALL C_GetOperationState(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pOperationState,
                                       CK_ULONG_PTR pulOperationStateLen) {
  return refuseInSession("C_GetOperationState", hSession, CKR_STATE_UNSAVEABLE,
                         sessionOutput(hSession, "pOperationState", pOperationState, "pulOperationStateLen",
                                       pulOperationStateLen));
}

CK_RV LUMA_CK_CALL C_SetOperationState(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pOperationState,
                                       CK_ULONG ulOperationStateLen, CK_OBJECT_HANDLE hEncryptionKey,
                                       CK_OBJECT_HANDLE hAuthenticationKey) {
  return refuse("C_SetOperationState", CKR_SAVED_STATE_INVALID, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pOperationState", pOperationState)
        .number("ulOperationStateLen", ulOperationStateLen)
        .number("hEncryptionKey", hEncryptionKey)
        .number("hAuthenticationKey", hAuthenticationKey);
  });
}

CK_RV LUMA_CK_CALL C_CreateObject(CK_SESSION_HANDLE hSession, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount,
                                  CK_OBJECT_HANDLE_PTR phObject) {
  return refuse("C_CreateObject", CKR_TOKEN_WRITE_PROTECTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pTemplate", pTemplate)
        .number("ulCount", ulCount)
        .pointer("phObject", phObject);
  });
}

CK_RV LUMA_CK_CALL C_CopyObject(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount,
                                CK_OBJECT_HANDLE_PTR phNewObject) {
  return refuse("C_CopyObject", CKR_TOKEN_WRITE_PROTECTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .number("hObject", hObject)
        .pointer("pTemplate", pTemplate)
        .number("ulCount", ulCount)
        .pointer("phNewObject", phNewObject);
  });
}

CK_RV LUMA_CK_CALL C_DestroyObject(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject) {
  return runInitialisedEntry(
      "C_DestroyObject",
      [&](CArgumentTrace& a) { a.number("hSession", hSession).number("hObject", hObject); },
      [&] {
        CSessionRef session;
        const CK_RV found = moduleState().getSessions().lookup(hSession, session);
        if (found != CKR_OK) return found;
        CWinMutexLock held = session->lock();
        const CPKCS11Object* object = session->getObject(hObject);
        if (object == nullptr) return CKR_OBJECT_HANDLE_INVALID;
        // Nothing is destroyed, but the slot stops keeping the object across reloads: the next
        // reload builds it again from the store, or drops it when its certificate is gone.
        session->getSlot().forgetObject(object->getCertificateHash());
        return CKR_TOKEN_WRITE_PROTECTED;
      });
}

CK_RV LUMA_CK_CALL C_SetAttributeValue(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject,
                                       CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount) {
  return refuse("C_SetAttributeValue", CKR_TOKEN_WRITE_PROTECTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .number("hObject", hObject)
        .pointer("pTemplate", pTemplate)
        .number("ulCount", ulCount);
  });
}

CK_RV LUMA_CK_CALL C_EncryptInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                 CK_OBJECT_HANDLE hKey) {
  return refuse("C_EncryptInit", CKR_FUNCTION_NOT_SUPPORTED, sessionMechanismKey(hSession, pMechanism, hKey));
}

CK_RV LUMA_CK_CALL C_Encrypt(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                             CK_BYTE_PTR pEncryptedData, CK_ULONG_PTR pulEncryptedDataLen) {
  return refuse("C_Encrypt", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pData", pData, "ulDataLen", ulDataLen, "pEncryptedData",
                             pEncryptedData, "pulEncryptedDataLen", pulEncryptedDataLen));
}

CK_RV LUMA_CK_CALL C_EncryptUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,
                                   CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen) {
  return refuse("C_EncryptUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pPart", pPart, "ulPartLen", ulPartLen, "pEncryptedPart",
                             pEncryptedPart, "pulEncryptedPartLen", pulEncryptedPartLen));
}

CK_RV LUMA_CK_CALL C_EncryptFinal(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pLastEncryptedPart,
                                  CK_ULONG_PTR pulLastEncryptedPartLen) {
  return refuse("C_EncryptFinal", CKR_FUNCTION_NOT_SUPPORTED,
                sessionOutput(hSession, "pLastEncryptedPart", pLastEncryptedPart, "pulLastEncryptedPartLen",
                              pulLastEncryptedPartLen));
}

CK_RV LUMA_CK_CALL C_DecryptUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart,
                                   CK_ULONG ulEncryptedPartLen, CK_BYTE_PTR pPart, CK_ULONG_PTR pulPartLen) {
  return refuse("C_DecryptUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pEncryptedPart", pEncryptedPart, "ulEncryptedPartLen",
                             ulEncryptedPartLen, "pPart", pPart, "pulPartLen", pulPartLen));
}

CK_RV LUMA_CK_CALL C_DecryptFinal(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pLastPart,
                                  CK_ULONG_PTR pulLastPartLen) {
  return refuse("C_DecryptFinal", CKR_FUNCTION_NOT_SUPPORTED,
                sessionOutput(hSession, "pLastPart", pLastPart, "pulLastPartLen", pulLastPartLen));
}

CK_RV LUMA_CK_CALL C_DigestInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism) {
  return refuse("C_DigestInit", CKR_FUNCTION_NOT_SUPPORTED,
                [&](CArgumentTrace& a) { a.number("hSession", hSession).pointer("pMechanism", pMechanism); });
}

CK_RV LUMA_CK_CALL C_Digest(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                            CK_BYTE_PTR pDigest, CK_ULONG_PTR pulDigestLen) {
  return refuse("C_Digest", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pData", pData, "ulDataLen", ulDataLen, "pDigest", pDigest,
                             "pulDigestLen", pulDigestLen));
}

CK_RV LUMA_CK_CALL C_DigestUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen) {
  return refuse("C_DigestUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionAndPart(hSession, "pPart", pPart, "ulPartLen", ulPartLen));
}

CK_RV LUMA_CK_CALL C_DigestKey(CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hKey) {
  return refuse("C_DigestKey", CKR_FUNCTION_NOT_SUPPORTED,
                [&](CArgumentTrace& a) { a.number("hSession", hSession).number("hKey", hKey); });
}

CK_RV LUMA_CK_CALL C_DigestFinal(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pDigest, CK_ULONG_PTR pulDigestLen) {
  return refuse("C_DigestFinal", CKR_FUNCTION_NOT_SUPPORTED,
                sessionOutput(hSession, "pDigest", pDigest, "pulDigestLen", pulDigestLen));
}

CK_RV LUMA_CK_CALL C_SignUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen) {
  return refuse("C_SignUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionAndPart(hSession, "pPart", pPart, "ulPartLen", ulPartLen));
}

CK_RV LUMA_CK_CALL C_SignFinal(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature,
                               CK_ULONG_PTR pulSignatureLen) {
  return refuse("C_SignFinal", CKR_FUNCTION_NOT_SUPPORTED,
                sessionOutput(hSession, "pSignature", pSignature, "pulSignatureLen", pulSignatureLen));
}

CK_RV LUMA_CK_CALL C_SignRecoverInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                     CK_OBJECT_HANDLE hKey) {
  return refuse("C_SignRecoverInit", CKR_FUNCTION_NOT_SUPPORTED,
                sessionMechanismKey(hSession, pMechanism, hKey));
}

CK_RV LUMA_CK_CALL C_SignRecover(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                                 CK_BYTE_PTR pSignature, CK_ULONG_PTR pulSignatureLen) {
  return refuse("C_SignRecover", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pData", pData, "ulDataLen", ulDataLen, "pSignature", pSignature,
                             "pulSignatureLen", pulSignatureLen));
}

CK_RV LUMA_CK_CALL C_VerifyInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                CK_OBJECT_HANDLE hKey) {
  return refuse("C_VerifyInit", CKR_FUNCTION_NOT_SUPPORTED, sessionMechanismKey(hSession, pMechanism, hKey));
}

CK_RV LUMA_CK_CALL C_Verify(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,
                            CK_BYTE_PTR pSignature, CK_ULONG ulSignatureLen) {
  return refuse("C_Verify", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pData", pData)
        .number("ulDataLen", ulDataLen)
        .pointer("pSignature", pSignature)
        .number("ulSignatureLen", ulSignatureLen);
  });
}

CK_RV LUMA_CK_CALL C_VerifyUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen) {
  return refuse("C_VerifyUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionAndPart(hSession, "pPart", pPart, "ulPartLen", ulPartLen));
}

CK_RV LUMA_CK_CALL C_VerifyFinal(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature,
                                 CK_ULONG ulSignatureLen) {
  return refuse("C_VerifyFinal", CKR_FUNCTION_NOT_SUPPORTED,
                sessionAndPart(hSession, "pSignature", pSignature, "ulSignatureLen", ulSignatureLen));
}

CK_RV LUMA_CK_CALL C_VerifyRecoverInit(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                       CK_OBJECT_HANDLE hKey) {
  return refuse("C_VerifyRecoverInit", CKR_FUNCTION_NOT_SUPPORTED,
                sessionMechanismKey(hSession, pMechanism, hKey));
}

CK_RV LUMA_CK_CALL C_VerifyRecover(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature,
                                   CK_ULONG ulSignatureLen, CK_BYTE_PTR pData, CK_ULONG_PTR pulDataLen) {
  return refuse("C_VerifyRecover", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pSignature", pSignature, "ulSignatureLen", ulSignatureLen, "pData",
                             pData, "pulDataLen", pulDataLen));
}

CK_RV LUMA_CK_CALL C_DigestEncryptUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,
                                         CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen) {
  return refuse("C_DigestEncryptUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pPart", pPart, "ulPartLen", ulPartLen, "pEncryptedPart",
                             pEncryptedPart, "pulEncryptedPartLen", pulEncryptedPartLen));
}

CK_RV LUMA_CK_CALL C_DecryptDigestUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart,
                                         CK_ULONG ulEncryptedPartLen, CK_BYTE_PTR pPart,
                                         CK_ULONG_PTR pulPartLen) {
  return refuse("C_DecryptDigestUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pEncryptedPart", pEncryptedPart, "ulEncryptedPartLen",
                             ulEncryptedPartLen, "pPart", pPart, "pulPartLen", pulPartLen));
}

CK_RV LUMA_CK_CALL C_SignEncryptUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,
                                       CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen) {
  return refuse("C_SignEncryptUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pPart", pPart, "ulPartLen", ulPartLen, "pEncryptedPart",
                             pEncryptedPart, "pulEncryptedPartLen", pulEncryptedPartLen));
}

CK_RV LUMA_CK_CALL C_DecryptVerifyUpdate(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart,
                                         CK_ULONG ulEncryptedPartLen, CK_BYTE_PTR pPart,
                                         CK_ULONG_PTR pulPartLen) {
  return refuse("C_DecryptVerifyUpdate", CKR_FUNCTION_NOT_SUPPORTED,
                sessionInOut(hSession, "pEncryptedPart", pEncryptedPart, "ulEncryptedPartLen",
                             ulEncryptedPartLen, "pPart", pPart, "pulPartLen", pulPartLen));
}

CK_RV LUMA_CK_CALL C_GenerateKey(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                 CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount, CK_OBJECT_HANDLE_PTR phKey) {
  return refuse("C_GenerateKey", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pMechanism", pMechanism)
        .pointer("pTemplate", pTemplate)
        .number("ulCount", ulCount)
        .pointer("phKey", phKey);
  });
}

CK_RV LUMA_CK_CALL C_GenerateKeyPair(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                                     CK_ATTRIBUTE_PTR pPublicKeyTemplate, CK_ULONG ulPublicKeyAttributeCount,
                                     CK_ATTRIBUTE_PTR pPrivateKeyTemplate,
                                     CK_ULONG ulPrivateKeyAttributeCount, CK_OBJECT_HANDLE_PTR phPublicKey,
                                     CK_OBJECT_HANDLE_PTR phPrivateKey) {
  return refuse("C_GenerateKeyPair", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pMechanism", pMechanism)
        .pointer("pPublicKeyTemplate", pPublicKeyTemplate)
        .number("ulPublicKeyAttributeCount", ulPublicKeyAttributeCount)
        .pointer("pPrivateKeyTemplate", pPrivateKeyTemplate)
        .number("ulPrivateKeyAttributeCount", ulPrivateKeyAttributeCount)
        .pointer("phPublicKey", phPublicKey)
        .pointer("phPrivateKey", phPrivateKey);
  });
}

CK_RV LUMA_CK_CALL C_WrapKey(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                             CK_OBJECT_HANDLE hWrappingKey, CK_OBJECT_HANDLE hKey, CK_BYTE_PTR pWrappedKey,
                             CK_ULONG_PTR pulWrappedKeyLen) {
  return refuse("C_WrapKey", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pMechanism", pMechanism)
        .number("hWrappingKey", hWrappingKey)
        .number("hKey", hKey)
        .pointer("pWrappedKey", pWrappedKey)
        .pointer("pulWrappedKeyLen", pulWrappedKeyLen);
  });
}

CK_RV LUMA_CK_CALL C_UnwrapKey(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                               CK_OBJECT_HANDLE hUnwrappingKey, CK_BYTE_PTR pWrappedKey,
                               CK_ULONG ulWrappedKeyLen, CK_ATTRIBUTE_PTR pTemplate,
                               CK_ULONG ulAttributeCount, CK_OBJECT_HANDLE_PTR phKey) {
  return refuse("C_UnwrapKey", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pMechanism", pMechanism)
        .number("hUnwrappingKey", hUnwrappingKey)
        .pointer("pWrappedKey", pWrappedKey)
        .number("ulWrappedKeyLen", ulWrappedKeyLen)
        .pointer("pTemplate", pTemplate)
        .number("ulAttributeCount", ulAttributeCount)
        .pointer("phKey", phKey);
  });
}

CK_RV LUMA_CK_CALL C_DeriveKey(CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,
                               CK_OBJECT_HANDLE hBaseKey, CK_ATTRIBUTE_PTR pTemplate,
                               CK_ULONG ulAttributeCount, CK_OBJECT_HANDLE_PTR phKey) {
  return refuse("C_DeriveKey", CKR_FUNCTION_NOT_SUPPORTED, [&](CArgumentTrace& a) {
    a.number("hSession", hSession)
        .pointer("pMechanism", pMechanism)
        .number("hBaseKey", hBaseKey)
        .pointer("pTemplate", pTemplate)
        .number("ulAttributeCount", ulAttributeCount)
        .pointer("phKey", phKey);
  });
}

CK_RV LUMA_CK_CALL C_SeedRandom(CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSeed, CK_ULONG ulSeedLen) {
  return refuse("C_SeedRandom", CKR_RANDOM_SEED_NOT_SUPPORTED,
                sessionAndPart(hSession, "pSeed", pSeed, "ulSeedLen", ulSeedLen));
}

CK_RV LUMA_CK_CALL C_GetFunctionStatus(CK_SESSION_HANDLE hSession) {
  return refuse("C_GetFunctionStatus", CKR_FUNCTION_NOT_PARALLEL, sessionOnly(hSession));
}

CK_RV LUMA_CK_CALL C_CancelFunction(CK_SESSION_HANDLE hSession) {
  return refuse("C_CancelFunction", CKR_FUNCTION_NOT_PARALLEL, sessionOnly(hSession));
}

}  // extern "C"
