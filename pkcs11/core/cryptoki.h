// The Cryptoki 2.20 interface as this module implements it, declared from the published interface
// description: the basic types, the structures with the Windows conventions (1-byte packing, __cdecl
// entry points, 32-bit CK_ULONG), the function list and the constants the module uses.
// Free of <windows.h>, so the object model builds natively as well.
#ifndef LUMA_PKCS11_CORE_CRYPTOKI_H_
#define LUMA_PKCS11_CORE_CRYPTOKI_H_

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define LUMA_CK_CALL __cdecl
#else
#define LUMA_CK_CALL
#endif

// ---- Basic types --------------------------------------------------------------------------------
typedef unsigned char CK_BYTE;
typedef CK_BYTE CK_CHAR;
typedef CK_BYTE CK_UTF8CHAR;
typedef CK_BYTE CK_BBOOL;
#if defined(_WIN32)
typedef unsigned long CK_ULONG;
typedef long CK_LONG;
#else
// The width CK_ULONG has on Windows, so the native build sees the same attribute encodings.
typedef std::uint32_t CK_ULONG;
typedef std::int32_t CK_LONG;
#endif
static_assert(sizeof(CK_ULONG) == 4, "CK_ULONG is 32 bits wide on Windows");

typedef CK_ULONG CK_FLAGS;
typedef CK_ULONG CK_SLOT_ID;
typedef CK_ULONG CK_SESSION_HANDLE;
typedef CK_ULONG CK_OBJECT_HANDLE;
typedef CK_ULONG CK_OBJECT_CLASS;
typedef CK_ULONG CK_KEY_TYPE;
typedef CK_ULONG CK_CERTIFICATE_TYPE;
typedef CK_ULONG CK_ATTRIBUTE_TYPE;
typedef CK_ULONG CK_MECHANISM_TYPE;
typedef CK_ULONG CK_USER_TYPE;
typedef CK_ULONG CK_STATE;
typedef CK_ULONG CK_NOTIFICATION;
typedef CK_ULONG CK_RV;

typedef void* CK_VOID_PTR;
typedef CK_VOID_PTR* CK_VOID_PTR_PTR;
typedef CK_BYTE* CK_BYTE_PTR;
typedef CK_UTF8CHAR* CK_UTF8CHAR_PTR;
typedef CK_ULONG* CK_ULONG_PTR;
typedef CK_SLOT_ID* CK_SLOT_ID_PTR;
typedef CK_SESSION_HANDLE* CK_SESSION_HANDLE_PTR;
typedef CK_OBJECT_HANDLE* CK_OBJECT_HANDLE_PTR;
typedef CK_MECHANISM_TYPE* CK_MECHANISM_TYPE_PTR;

// ---- Structures (1-byte packing, as Cryptoki libraries on Windows lay them out) -----------------
#pragma pack(push, 1)

struct CK_VERSION {
  CK_BYTE major;
  CK_BYTE minor;
};

struct CK_INFO {
  CK_VERSION cryptokiVersion;
  CK_UTF8CHAR manufacturerID[32];
  CK_FLAGS flags;
  CK_UTF8CHAR libraryDescription[32];
  CK_VERSION libraryVersion;
};

struct CK_SLOT_INFO {
  CK_UTF8CHAR slotDescription[64];
  CK_UTF8CHAR manufacturerID[32];
  CK_FLAGS flags;
  CK_VERSION hardwareVersion;
  CK_VERSION firmwareVersion;
};

struct CK_TOKEN_INFO {
  CK_UTF8CHAR label[32];
  CK_UTF8CHAR manufacturerID[32];
  CK_UTF8CHAR model[16];
  CK_CHAR serialNumber[16];
  CK_FLAGS flags;
  CK_ULONG ulMaxSessionCount;
  CK_ULONG ulSessionCount;
  CK_ULONG ulMaxRwSessionCount;
  CK_ULONG ulRwSessionCount;
  CK_ULONG ulMaxPinLen;
  CK_ULONG ulMinPinLen;
  CK_ULONG ulTotalPublicMemory;
  CK_ULONG ulFreePublicMemory;
  CK_ULONG ulTotalPrivateMemory;
  CK_ULONG ulFreePrivateMemory;
  CK_VERSION hardwareVersion;
  CK_VERSION firmwareVersion;
  CK_CHAR utcTime[16];
};

struct CK_SESSION_INFO {
  CK_SLOT_ID slotID;
  CK_STATE state;
  CK_FLAGS flags;
  CK_ULONG ulDeviceError;
};

struct CK_ATTRIBUTE {
  CK_ATTRIBUTE_TYPE type;
  CK_VOID_PTR pValue;
  CK_ULONG ulValueLen;
};

struct CK_DATE {
  CK_CHAR year[4];
  CK_CHAR month[2];
  CK_CHAR day[2];
};

struct CK_MECHANISM {
  CK_MECHANISM_TYPE mechanism;
  CK_VOID_PTR pParameter;
  CK_ULONG ulParameterLen;
};

struct CK_MECHANISM_INFO {
  CK_ULONG ulMinKeySize;
  CK_ULONG ulMaxKeySize;
  CK_FLAGS flags;
};

typedef CK_RV(LUMA_CK_CALL* CK_CREATEMUTEX)(CK_VOID_PTR_PTR ppMutex);
typedef CK_RV(LUMA_CK_CALL* CK_DESTROYMUTEX)(CK_VOID_PTR pMutex);
typedef CK_RV(LUMA_CK_CALL* CK_LOCKMUTEX)(CK_VOID_PTR pMutex);
typedef CK_RV(LUMA_CK_CALL* CK_UNLOCKMUTEX)(CK_VOID_PTR pMutex);
typedef CK_RV(LUMA_CK_CALL* CK_NOTIFY)(CK_SESSION_HANDLE hSession, CK_NOTIFICATION event,
                                       CK_VOID_PTR pApplication);

struct CK_C_INITIALIZE_ARGS {
  CK_CREATEMUTEX CreateMutex;
  CK_DESTROYMUTEX DestroyMutex;
  CK_LOCKMUTEX LockMutex;
  CK_UNLOCKMUTEX UnlockMutex;
  CK_FLAGS flags;
  CK_VOID_PTR pReserved;
};

typedef CK_INFO* CK_INFO_PTR;
typedef CK_SLOT_INFO* CK_SLOT_INFO_PTR;
typedef CK_TOKEN_INFO* CK_TOKEN_INFO_PTR;
typedef CK_SESSION_INFO* CK_SESSION_INFO_PTR;
typedef CK_ATTRIBUTE* CK_ATTRIBUTE_PTR;
typedef CK_MECHANISM* CK_MECHANISM_PTR;
typedef CK_MECHANISM_INFO* CK_MECHANISM_INFO_PTR;

struct CK_FUNCTION_LIST;
typedef CK_FUNCTION_LIST* CK_FUNCTION_LIST_PTR;
typedef CK_FUNCTION_LIST_PTR* CK_FUNCTION_LIST_PTR_PTR;

// The 68 entry points in the order of the version 2.20 function list: X(name, parameter list).
#define LUMA_CRYPTOKI_FUNCTIONS(X)                                                                          \
  X(C_Initialize, (CK_VOID_PTR pInitArgs))                                                                  \
  X(C_Finalize, (CK_VOID_PTR pReserved))                                                                    \
  X(C_GetInfo, (CK_INFO_PTR pInfo))                                                                         \
  X(C_GetFunctionList, (CK_FUNCTION_LIST_PTR_PTR ppFunctionList))                                           \
  X(C_GetSlotList, (CK_BBOOL tokenPresent, CK_SLOT_ID_PTR pSlotList, CK_ULONG_PTR pulCount))                \
  X(C_GetSlotInfo, (CK_SLOT_ID slotID, CK_SLOT_INFO_PTR pInfo))                                             \
  X(C_GetTokenInfo, (CK_SLOT_ID slotID, CK_TOKEN_INFO_PTR pInfo))                                           \
  X(C_GetMechanismList, (CK_SLOT_ID slotID, CK_MECHANISM_TYPE_PTR pMechanismList, CK_ULONG_PTR pulCount))   \
  X(C_GetMechanismInfo, (CK_SLOT_ID slotID, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR pInfo))           \
  X(C_InitToken, (CK_SLOT_ID slotID, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen, CK_UTF8CHAR_PTR pLabel))      \
  X(C_InitPIN, (CK_SESSION_HANDLE hSession, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen))                       \
  X(C_SetPIN, (CK_SESSION_HANDLE hSession, CK_UTF8CHAR_PTR pOldPin, CK_ULONG ulOldLen,                      \
               CK_UTF8CHAR_PTR pNewPin, CK_ULONG ulNewLen))                                                 \
  X(C_OpenSession, (CK_SLOT_ID slotID, CK_FLAGS flags, CK_VOID_PTR pApplication, CK_NOTIFY Notify,          \
                    CK_SESSION_HANDLE_PTR phSession))                                                       \
  X(C_CloseSession, (CK_SESSION_HANDLE hSession))                                                           \
  X(C_CloseAllSessions, (CK_SLOT_ID slotID))                                                                \
  X(C_GetSessionInfo, (CK_SESSION_HANDLE hSession, CK_SESSION_INFO_PTR pInfo))                              \
  X(C_GetOperationState,                                                                                    \
    (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pOperationState, CK_ULONG_PTR pulOperationStateLen))           \
  X(C_SetOperationState,                                                                                    \
    (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pOperationState, CK_ULONG ulOperationStateLen,                 \
     CK_OBJECT_HANDLE hEncryptionKey, CK_OBJECT_HANDLE hAuthenticationKey))                                 \
  X(C_Login, (CK_SESSION_HANDLE hSession, CK_USER_TYPE userType, CK_UTF8CHAR_PTR pPin, CK_ULONG ulPinLen))  \
  X(C_Logout, (CK_SESSION_HANDLE hSession))                                                                 \
  X(C_CreateObject, (CK_SESSION_HANDLE hSession, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount,              \
                     CK_OBJECT_HANDLE_PTR phObject))                                                        \
  X(C_CopyObject, (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject, CK_ATTRIBUTE_PTR pTemplate,        \
                   CK_ULONG ulCount, CK_OBJECT_HANDLE_PTR phNewObject))                                     \
  X(C_DestroyObject, (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject))                                \
  X(C_GetObjectSize, (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject, CK_ULONG_PTR pulSize))          \
  X(C_GetAttributeValue,                                                                                    \
    (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount))   \
  X(C_SetAttributeValue,                                                                                    \
    (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hObject, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount))   \
  X(C_FindObjectsInit, (CK_SESSION_HANDLE hSession, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulCount))          \
  X(C_FindObjects, (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE_PTR phObject, CK_ULONG ulMaxObjectCount,   \
                    CK_ULONG_PTR pulObjectCount))                                                           \
  X(C_FindObjectsFinal, (CK_SESSION_HANDLE hSession))                                                       \
  X(C_EncryptInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))        \
  X(C_Encrypt, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,                          \
                CK_BYTE_PTR pEncryptedData, CK_ULONG_PTR pulEncryptedDataLen))                              \
  X(C_EncryptUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,                    \
                      CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen))                        \
  X(C_EncryptFinal,                                                                                         \
    (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pLastEncryptedPart, CK_ULONG_PTR pulLastEncryptedPartLen))     \
  X(C_DecryptInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))        \
  X(C_Decrypt, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedData, CK_ULONG ulEncryptedDataLen,        \
                CK_BYTE_PTR pData, CK_ULONG_PTR pulDataLen))                                                \
  X(C_DecryptUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart, CK_ULONG ulEncryptedPartLen,  \
                      CK_BYTE_PTR pPart, CK_ULONG_PTR pulPartLen))                                          \
  X(C_DecryptFinal, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pLastPart, CK_ULONG_PTR pulLastPartLen))       \
  X(C_DigestInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism))                                \
  X(C_Digest, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen, CK_BYTE_PTR pDigest,      \
               CK_ULONG_PTR pulDigestLen))                                                                  \
  X(C_DigestUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen))                    \
  X(C_DigestKey, (CK_SESSION_HANDLE hSession, CK_OBJECT_HANDLE hKey))                                       \
  X(C_DigestFinal, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pDigest, CK_ULONG_PTR pulDigestLen))            \
  X(C_SignInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))           \
  X(C_Sign, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen, CK_BYTE_PTR pSignature,     \
             CK_ULONG_PTR pulSignatureLen))                                                                 \
  X(C_SignUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen))                      \
  X(C_SignFinal, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature, CK_ULONG_PTR pulSignatureLen))        \
  X(C_SignRecoverInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))    \
  X(C_SignRecover, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen,                      \
                    CK_BYTE_PTR pSignature, CK_ULONG_PTR pulSignatureLen))                                  \
  X(C_VerifyInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))         \
  X(C_Verify, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pData, CK_ULONG ulDataLen, CK_BYTE_PTR pSignature,   \
               CK_ULONG ulSignatureLen))                                                                    \
  X(C_VerifyUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen))                    \
  X(C_VerifyFinal, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature, CK_ULONG ulSignatureLen))           \
  X(C_VerifyRecoverInit, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hKey))  \
  X(C_VerifyRecover, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSignature, CK_ULONG ulSignatureLen,          \
                      CK_BYTE_PTR pData, CK_ULONG_PTR pulDataLen))                                          \
  X(C_DigestEncryptUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,              \
                            CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen))                  \
  X(C_DecryptDigestUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart,                         \
                            CK_ULONG ulEncryptedPartLen, CK_BYTE_PTR pPart, CK_ULONG_PTR pulPartLen))       \
  X(C_SignEncryptUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pPart, CK_ULONG ulPartLen,                \
                          CK_BYTE_PTR pEncryptedPart, CK_ULONG_PTR pulEncryptedPartLen))                    \
  X(C_DecryptVerifyUpdate, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pEncryptedPart,                         \
                            CK_ULONG ulEncryptedPartLen, CK_BYTE_PTR pPart, CK_ULONG_PTR pulPartLen))       \
  X(C_GenerateKey, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_ATTRIBUTE_PTR pTemplate,    \
                    CK_ULONG ulCount, CK_OBJECT_HANDLE_PTR phKey))                                          \
  X(C_GenerateKeyPair, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism,                            \
                        CK_ATTRIBUTE_PTR pPublicKeyTemplate, CK_ULONG ulPublicKeyAttributeCount,            \
                        CK_ATTRIBUTE_PTR pPrivateKeyTemplate, CK_ULONG ulPrivateKeyAttributeCount,          \
                        CK_OBJECT_HANDLE_PTR phPublicKey, CK_OBJECT_HANDLE_PTR phPrivateKey))               \
  X(C_WrapKey, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hWrappingKey,     \
                CK_OBJECT_HANDLE hKey, CK_BYTE_PTR pWrappedKey, CK_ULONG_PTR pulWrappedKeyLen))             \
  X(C_UnwrapKey, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hUnwrappingKey, \
                  CK_BYTE_PTR pWrappedKey, CK_ULONG ulWrappedKeyLen, CK_ATTRIBUTE_PTR pTemplate,            \
                  CK_ULONG ulAttributeCount, CK_OBJECT_HANDLE_PTR phKey))                                   \
  X(C_DeriveKey, (CK_SESSION_HANDLE hSession, CK_MECHANISM_PTR pMechanism, CK_OBJECT_HANDLE hBaseKey,       \
                  CK_ATTRIBUTE_PTR pTemplate, CK_ULONG ulAttributeCount, CK_OBJECT_HANDLE_PTR phKey))       \
  X(C_SeedRandom, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR pSeed, CK_ULONG ulSeedLen))                      \
  X(C_GenerateRandom, (CK_SESSION_HANDLE hSession, CK_BYTE_PTR RandomData, CK_ULONG ulRandomLen))           \
  X(C_GetFunctionStatus, (CK_SESSION_HANDLE hSession))                                                      \
  X(C_CancelFunction, (CK_SESSION_HANDLE hSession))                                                         \
  X(C_WaitForSlotEvent, (CK_FLAGS flags, CK_SLOT_ID_PTR pSlot, CK_VOID_PTR pReserved))

// Pointer types CK_C_<name> of every entry point.
#define LUMA_CRYPTOKI_POINTER_TYPE(name, params) typedef CK_RV(LUMA_CK_CALL* CK_##name) params;
LUMA_CRYPTOKI_FUNCTIONS(LUMA_CRYPTOKI_POINTER_TYPE)
#undef LUMA_CRYPTOKI_POINTER_TYPE

struct CK_FUNCTION_LIST {
  CK_VERSION version;
#define LUMA_CRYPTOKI_LIST_ENTRY(name, params) CK_##name name;
  LUMA_CRYPTOKI_FUNCTIONS(LUMA_CRYPTOKI_LIST_ENTRY)
#undef LUMA_CRYPTOKI_LIST_ENTRY
};

#pragma pack(pop)

// The entry points the module exports (defined by the module library).
extern "C" {
#define LUMA_CRYPTOKI_DECLARATION(name, params) CK_RV LUMA_CK_CALL name params;
LUMA_CRYPTOKI_FUNCTIONS(LUMA_CRYPTOKI_DECLARATION)
#undef LUMA_CRYPTOKI_DECLARATION
}

// Sizes the module's callers rely on; pointers make the rest depend on the pointer width.
static_assert(sizeof(CK_VERSION) == 2, "CK_VERSION");
static_assert(sizeof(CK_INFO) == 72, "CK_INFO");
static_assert(sizeof(CK_SLOT_INFO) == 104, "CK_SLOT_INFO");
static_assert(sizeof(CK_TOKEN_INFO) == 160, "CK_TOKEN_INFO");
static_assert(sizeof(CK_SESSION_INFO) == 16, "CK_SESSION_INFO");
static_assert(sizeof(CK_MECHANISM_INFO) == 12, "CK_MECHANISM_INFO");
static_assert(sizeof(CK_DATE) == 8, "CK_DATE");
static_assert(sizeof(CK_ATTRIBUTE) == 8 + sizeof(void*), "CK_ATTRIBUTE is packed");
static_assert(sizeof(CK_MECHANISM) == 8 + sizeof(void*), "CK_MECHANISM is packed");
static_assert(sizeof(CK_FUNCTION_LIST) == 2 + 68 * sizeof(void*), "68 entry points after the version");
static_assert(offsetof(CK_FUNCTION_LIST, C_Initialize) == 2, "the list starts right after the version");
static_assert(offsetof(CK_FUNCTION_LIST, C_WaitForSlotEvent) == 2 + 67 * sizeof(void*),
              "C_WaitForSlotEvent is the last entry");

// ---- Constants ----------------------------------------------------------------------------------
constexpr CK_BBOOL CK_FALSE = 0;
constexpr CK_BBOOL CK_TRUE = 1;
constexpr CK_ULONG CK_UNAVAILABLE_INFORMATION = 0xFFFFFFFFu;
constexpr CK_ULONG CK_EFFECTIVELY_INFINITE = 0;
constexpr CK_OBJECT_HANDLE CK_INVALID_HANDLE = 0;

// Object classes, key and certificate types, certificate categories.
constexpr CK_OBJECT_CLASS CKO_DATA = 0x0;
constexpr CK_OBJECT_CLASS CKO_CERTIFICATE = 0x1;
constexpr CK_OBJECT_CLASS CKO_PUBLIC_KEY = 0x2;
constexpr CK_OBJECT_CLASS CKO_PRIVATE_KEY = 0x3;
constexpr CK_KEY_TYPE CKK_RSA = 0x0;
constexpr CK_CERTIFICATE_TYPE CKC_X_509 = 0x0;
constexpr CK_ULONG CK_CERTIFICATE_CATEGORY_UNSPECIFIED = 0;
constexpr CK_ULONG CK_CERTIFICATE_CATEGORY_TOKEN_USER = 1;

// Attribute types.
constexpr CK_ATTRIBUTE_TYPE CKA_CLASS = 0x0;
constexpr CK_ATTRIBUTE_TYPE CKA_TOKEN = 0x1;
constexpr CK_ATTRIBUTE_TYPE CKA_PRIVATE = 0x2;
constexpr CK_ATTRIBUTE_TYPE CKA_LABEL = 0x3;
constexpr CK_ATTRIBUTE_TYPE CKA_APPLICATION = 0x10;
constexpr CK_ATTRIBUTE_TYPE CKA_VALUE = 0x11;
constexpr CK_ATTRIBUTE_TYPE CKA_OBJECT_ID = 0x12;
constexpr CK_ATTRIBUTE_TYPE CKA_CERTIFICATE_TYPE = 0x80;
constexpr CK_ATTRIBUTE_TYPE CKA_ISSUER = 0x81;
constexpr CK_ATTRIBUTE_TYPE CKA_SERIAL_NUMBER = 0x82;
constexpr CK_ATTRIBUTE_TYPE CKA_TRUSTED = 0x86;
constexpr CK_ATTRIBUTE_TYPE CKA_CERTIFICATE_CATEGORY = 0x87;
constexpr CK_ATTRIBUTE_TYPE CKA_CHECK_VALUE = 0x90;
constexpr CK_ATTRIBUTE_TYPE CKA_KEY_TYPE = 0x100;
constexpr CK_ATTRIBUTE_TYPE CKA_SUBJECT = 0x101;
constexpr CK_ATTRIBUTE_TYPE CKA_ID = 0x102;
constexpr CK_ATTRIBUTE_TYPE CKA_SENSITIVE = 0x103;
constexpr CK_ATTRIBUTE_TYPE CKA_ENCRYPT = 0x104;
constexpr CK_ATTRIBUTE_TYPE CKA_DECRYPT = 0x105;
constexpr CK_ATTRIBUTE_TYPE CKA_WRAP = 0x106;
constexpr CK_ATTRIBUTE_TYPE CKA_UNWRAP = 0x107;
constexpr CK_ATTRIBUTE_TYPE CKA_SIGN = 0x108;
constexpr CK_ATTRIBUTE_TYPE CKA_SIGN_RECOVER = 0x109;
constexpr CK_ATTRIBUTE_TYPE CKA_VERIFY = 0x10A;
constexpr CK_ATTRIBUTE_TYPE CKA_VERIFY_RECOVER = 0x10B;
constexpr CK_ATTRIBUTE_TYPE CKA_DERIVE = 0x10C;
constexpr CK_ATTRIBUTE_TYPE CKA_START_DATE = 0x110;
constexpr CK_ATTRIBUTE_TYPE CKA_END_DATE = 0x111;
constexpr CK_ATTRIBUTE_TYPE CKA_MODULUS = 0x120;
constexpr CK_ATTRIBUTE_TYPE CKA_MODULUS_BITS = 0x121;
constexpr CK_ATTRIBUTE_TYPE CKA_PUBLIC_EXPONENT = 0x122;
constexpr CK_ATTRIBUTE_TYPE CKA_PRIVATE_EXPONENT = 0x123;
constexpr CK_ATTRIBUTE_TYPE CKA_PRIME_1 = 0x124;
constexpr CK_ATTRIBUTE_TYPE CKA_PRIME_2 = 0x125;
constexpr CK_ATTRIBUTE_TYPE CKA_EXPONENT_1 = 0x126;
constexpr CK_ATTRIBUTE_TYPE CKA_EXPONENT_2 = 0x127;
constexpr CK_ATTRIBUTE_TYPE CKA_COEFFICIENT = 0x128;
constexpr CK_ATTRIBUTE_TYPE CKA_EXTRACTABLE = 0x162;
constexpr CK_ATTRIBUTE_TYPE CKA_LOCAL = 0x163;
constexpr CK_ATTRIBUTE_TYPE CKA_NEVER_EXTRACTABLE = 0x164;
constexpr CK_ATTRIBUTE_TYPE CKA_ALWAYS_SENSITIVE = 0x165;
constexpr CK_ATTRIBUTE_TYPE CKA_MODIFIABLE = 0x170;
constexpr CK_ATTRIBUTE_TYPE CKA_ALWAYS_AUTHENTICATE = 0x202;
constexpr CK_ATTRIBUTE_TYPE CKA_WRAP_WITH_TRUSTED = 0x210;

// Mechanisms.
constexpr CK_MECHANISM_TYPE CKM_RSA_PKCS_KEY_PAIR_GEN = 0x0;
constexpr CK_MECHANISM_TYPE CKM_RSA_PKCS = 0x1;
constexpr CK_MECHANISM_TYPE CKM_RSA_X_509 = 0x3;

// Users and session states.
constexpr CK_USER_TYPE CKU_SO = 0;
constexpr CK_USER_TYPE CKU_USER = 1;
constexpr CK_USER_TYPE CKU_CONTEXT_SPECIFIC = 2;
constexpr CK_STATE CKS_RO_PUBLIC_SESSION = 0;
constexpr CK_STATE CKS_RO_USER_FUNCTIONS = 1;
constexpr CK_STATE CKS_RW_PUBLIC_SESSION = 2;
constexpr CK_STATE CKS_RW_USER_FUNCTIONS = 3;
constexpr CK_STATE CKS_RW_SO_FUNCTIONS = 4;
constexpr CK_NOTIFICATION CKN_SURRENDER = 0;

// Flags of CK_SLOT_INFO.
constexpr CK_FLAGS CKF_TOKEN_PRESENT = 0x1;
constexpr CK_FLAGS CKF_REMOVABLE_DEVICE = 0x2;
constexpr CK_FLAGS CKF_HW_SLOT = 0x4;
// Flags of CK_TOKEN_INFO.
constexpr CK_FLAGS CKF_RNG = 0x1;
constexpr CK_FLAGS CKF_WRITE_PROTECTED = 0x2;
constexpr CK_FLAGS CKF_LOGIN_REQUIRED = 0x4;
constexpr CK_FLAGS CKF_USER_PIN_INITIALIZED = 0x8;
constexpr CK_FLAGS CKF_CLOCK_ON_TOKEN = 0x40;
constexpr CK_FLAGS CKF_PROTECTED_AUTHENTICATION_PATH = 0x100;
constexpr CK_FLAGS CKF_TOKEN_INITIALIZED = 0x400;
// Flags of CK_SESSION_INFO and C_OpenSession.
constexpr CK_FLAGS CKF_RW_SESSION = 0x2;
constexpr CK_FLAGS CKF_SERIAL_SESSION = 0x4;
// Flags of CK_MECHANISM_INFO.
constexpr CK_FLAGS CKF_HW = 0x1;
constexpr CK_FLAGS CKF_ENCRYPT = 0x100;
constexpr CK_FLAGS CKF_DECRYPT = 0x200;
constexpr CK_FLAGS CKF_SIGN = 0x800;
constexpr CK_FLAGS CKF_VERIFY = 0x2000;
// Flags of C_WaitForSlotEvent and CK_C_INITIALIZE_ARGS.
constexpr CK_FLAGS CKF_DONT_BLOCK = 0x1;
constexpr CK_FLAGS CKF_LIBRARY_CANT_CREATE_OS_THREADS = 0x1;
constexpr CK_FLAGS CKF_OS_LOCKING_OK = 0x2;

// Return values.
constexpr CK_RV CKR_OK = 0x0;
constexpr CK_RV CKR_CANCEL = 0x1;
constexpr CK_RV CKR_HOST_MEMORY = 0x2;
constexpr CK_RV CKR_SLOT_ID_INVALID = 0x3;
constexpr CK_RV CKR_GENERAL_ERROR = 0x5;
constexpr CK_RV CKR_FUNCTION_FAILED = 0x6;
constexpr CK_RV CKR_ARGUMENTS_BAD = 0x7;
constexpr CK_RV CKR_NO_EVENT = 0x8;
constexpr CK_RV CKR_ATTRIBUTE_READ_ONLY = 0x10;
constexpr CK_RV CKR_ATTRIBUTE_SENSITIVE = 0x11;
constexpr CK_RV CKR_ATTRIBUTE_TYPE_INVALID = 0x12;
constexpr CK_RV CKR_ATTRIBUTE_VALUE_INVALID = 0x13;
constexpr CK_RV CKR_DATA_INVALID = 0x20;
constexpr CK_RV CKR_DATA_LEN_RANGE = 0x21;
constexpr CK_RV CKR_DEVICE_ERROR = 0x30;
constexpr CK_RV CKR_DEVICE_MEMORY = 0x31;
constexpr CK_RV CKR_ENCRYPTED_DATA_INVALID = 0x40;
constexpr CK_RV CKR_ENCRYPTED_DATA_LEN_RANGE = 0x41;
constexpr CK_RV CKR_FUNCTION_CANCELED = 0x50;
constexpr CK_RV CKR_FUNCTION_NOT_PARALLEL = 0x51;
constexpr CK_RV CKR_FUNCTION_NOT_SUPPORTED = 0x54;
constexpr CK_RV CKR_KEY_HANDLE_INVALID = 0x60;
constexpr CK_RV CKR_KEY_TYPE_INCONSISTENT = 0x63;
constexpr CK_RV CKR_KEY_FUNCTION_NOT_PERMITTED = 0x68;
constexpr CK_RV CKR_MECHANISM_INVALID = 0x70;
constexpr CK_RV CKR_MECHANISM_PARAM_INVALID = 0x71;
constexpr CK_RV CKR_OBJECT_HANDLE_INVALID = 0x82;
constexpr CK_RV CKR_OPERATION_ACTIVE = 0x90;
constexpr CK_RV CKR_OPERATION_NOT_INITIALIZED = 0x91;
constexpr CK_RV CKR_PIN_INCORRECT = 0xA0;
constexpr CK_RV CKR_PIN_LOCKED = 0xA4;
constexpr CK_RV CKR_SESSION_CLOSED = 0xB0;
constexpr CK_RV CKR_SESSION_HANDLE_INVALID = 0xB3;
constexpr CK_RV CKR_SESSION_PARALLEL_NOT_SUPPORTED = 0xB4;
constexpr CK_RV CKR_SIGNATURE_INVALID = 0xC0;
constexpr CK_RV CKR_SIGNATURE_LEN_RANGE = 0xC1;
constexpr CK_RV CKR_TEMPLATE_INCONSISTENT = 0xD1;
constexpr CK_RV CKR_TOKEN_NOT_PRESENT = 0xE0;
constexpr CK_RV CKR_TOKEN_WRITE_PROTECTED = 0xE2;
constexpr CK_RV CKR_USER_ALREADY_LOGGED_IN = 0x100;
constexpr CK_RV CKR_USER_NOT_LOGGED_IN = 0x101;
constexpr CK_RV CKR_USER_TYPE_INVALID = 0x103;
constexpr CK_RV CKR_RANDOM_SEED_NOT_SUPPORTED = 0x120;
constexpr CK_RV CKR_BUFFER_TOO_SMALL = 0x150;
constexpr CK_RV CKR_SAVED_STATE_INVALID = 0x160;
constexpr CK_RV CKR_STATE_UNSAVEABLE = 0x180;
constexpr CK_RV CKR_CRYPTOKI_NOT_INITIALIZED = 0x190;
constexpr CK_RV CKR_CRYPTOKI_ALREADY_INITIALIZED = 0x191;

#endif  // LUMA_PKCS11_CORE_CRYPTOKI_H_
