// The entries of the function table that use a key: signing and decryption, carried to lumaPassV
// over the pipe session of the key's provider handle with the PKCS#1 padding done here, and the
// export of the public key decoded from the container's certificate. Encryption, import and
// verification are refused once the handles check out.
#ifndef LUMA_PLUGINS_KSP_KSP_KEY_OPERATIONS_H_
#define LUMA_PLUGINS_KSP_KSP_KEY_OPERATIONS_H_

#include "plugins/ksp/key_storage_interface.h"

namespace luma::ksp {

// A pipe status other than 0 is the result unchanged: 30 when lumaPassV could not be reached, 6 for
// a session it no longer knows, its smart-card codes for a refused or cancelled operation.
SECURITY_STATUS WINAPI SignHash(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, VOID* pPaddingInfo,
                                PBYTE pbHashValue, DWORD cbHashValue, PBYTE pbSignature, DWORD cbSignature,
                                DWORD* pcbResult, DWORD dwFlags);
SECURITY_STATUS WINAPI Decrypt(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, PBYTE pbInput,
                               DWORD cbInput, VOID* pPaddingInfo, PBYTE pbOutput, DWORD cbOutput,
                               DWORD* pcbResult, DWORD dwFlags);
SECURITY_STATUS WINAPI ExportKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                 NCRYPT_KEY_HANDLE hExportKey, LPCWSTR pszBlobType,
                                 NCryptBufferDesc* pParameterList, PBYTE pbOutput, DWORD cbOutput,
                                 DWORD* pcbResult, DWORD dwFlags);

SECURITY_STATUS WINAPI Encrypt(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, PBYTE pbInput,
                               DWORD cbInput, VOID* pPaddingInfo, PBYTE pbOutput, DWORD cbOutput,
                               DWORD* pcbResult, DWORD dwFlags);
SECURITY_STATUS WINAPI ImportKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hImportKey,
                                 LPCWSTR pszBlobType, NCryptBufferDesc* pParameterList,
                                 NCRYPT_KEY_HANDLE* phKey, PBYTE pbData, DWORD cbData, DWORD dwFlags);
SECURITY_STATUS WINAPI VerifySignature(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                       VOID* pPaddingInfo, PBYTE pbHashValue, DWORD cbHashValue,
                                       PBYTE pbSignature, DWORD cbSignature, DWORD dwFlags);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_KEY_OPERATIONS_H_
