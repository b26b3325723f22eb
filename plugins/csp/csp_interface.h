// The CryptoAPI service provider interface as CryptoAPI calls a provider DLL: the structure it
// hands to CPAcquireContext and the 25 entry points (exported undecorated through the .def file).
// The toolchain's headers do not declare them.
#ifndef LUMA_PLUGINS_CSP_CSP_INTERFACE_H_
#define LUMA_PLUGINS_CSP_CSP_INTERFACE_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

// Version 3 of the structure; the provider only stores the pointer.
struct VTableProvStruc {
  DWORD Version;
  FARPROC FuncVerifyImage;
  FARPROC FuncReturnhWnd;
  DWORD dwProvType;
  BYTE* pbContextInfo;
  DWORD cbContextInfo;
  LPSTR pszProvName;
};
using PVTableProvStruc = VTableProvStruc*;

extern "C" {

BOOL WINAPI CPAcquireContext(HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags, PVTableProvStruc pVTable);
BOOL WINAPI CPReleaseContext(HCRYPTPROV hProv, DWORD dwFlags);
BOOL WINAPI CPGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey);
BOOL WINAPI CPDeriveKey(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hHash, DWORD dwFlags, HCRYPTKEY* phKey);
BOOL WINAPI CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey);
BOOL WINAPI CPSetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags);
BOOL WINAPI CPGetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen,
                          DWORD dwFlags);
BOOL WINAPI CPSetProvParam(HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags);
BOOL WINAPI CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen, DWORD dwFlags);
BOOL WINAPI CPSetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData,
                           DWORD dwFlags);
BOOL WINAPI CPGetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, LPBYTE pbData,
                           LPDWORD pcbDataLen, DWORD dwFlags);
BOOL WINAPI CPExportKey(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType, DWORD dwFlags,
                        LPBYTE pbData, LPDWORD pcbDataLen);
BOOL WINAPI CPImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD cbDataLen, HCRYPTKEY hPubKey,
                        DWORD dwFlags, HCRYPTKEY* phKey);
BOOL WINAPI CPEncrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags,
                      LPBYTE pbData, LPDWORD pcbDataLen, DWORD cbBufLen);
BOOL WINAPI CPDecrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags,
                      LPBYTE pbData, LPDWORD pcbDataLen);
BOOL WINAPI CPCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash);
BOOL WINAPI CPHashData(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbData, DWORD cbDataLen,
                       DWORD dwFlags);
BOOL WINAPI CPHashSessionKey(HCRYPTPROV hProv, HCRYPTHASH hHash, HCRYPTKEY hKey, DWORD dwFlags);
BOOL WINAPI CPSignHash(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription,
                       DWORD dwFlags, LPBYTE pbSignature, LPDWORD pcbSigLen);
BOOL WINAPI CPDestroyHash(HCRYPTPROV hProv, HCRYPTHASH hHash);
BOOL WINAPI CPVerifySignature(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbSignature, DWORD cbSigLen,
                              HCRYPTKEY hPubKey, LPCWSTR szDescription, DWORD dwFlags);
BOOL WINAPI CPGenRandom(HCRYPTPROV hProv, DWORD dwLen, LPBYTE pbBuffer);
BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey);
BOOL WINAPI CPDuplicateHash(HCRYPTPROV hProv, HCRYPTHASH hHash, LPDWORD pdwReserved, DWORD dwFlags,
                            HCRYPTHASH* phHash);
BOOL WINAPI CPDuplicateKey(HCRYPTPROV hProv, HCRYPTKEY hKey, LPDWORD pdwReserved, DWORD dwFlags,
                           HCRYPTKEY* phKey);

}  // extern "C"

namespace luma::csp {

// The codes the entry points answer with, beside the Win32 ones.
constexpr DWORD kBadKey = 0x80090003;
constexpr DWORD kBadData = 0x80090005;
constexpr DWORD kBadFlags = 0x80090009;
constexpr DWORD kBadType = 0x8009000A;
constexpr DWORD kBadKeyState = 0x8009000B;
constexpr DWORD kNoKey = 0x8009000D;
constexpr DWORD kNoMemory = 0x8009000E;
constexpr DWORD kProviderFailure = 0x80090020;  // NTE_FAIL: an unexpected fault inside an entry

// The platform's own definitions of the same codes: a mismatch would reach CryptoAPI as another error.
static_assert(kBadKey == static_cast<DWORD>(NTE_BAD_KEY) && kBadData == static_cast<DWORD>(NTE_BAD_DATA));
static_assert(kBadFlags == static_cast<DWORD>(NTE_BAD_FLAGS) && kBadType == static_cast<DWORD>(NTE_BAD_TYPE));
static_assert(kBadKeyState == static_cast<DWORD>(NTE_BAD_KEY_STATE) &&
              kNoKey == static_cast<DWORD>(NTE_NO_KEY));
static_assert(kNoMemory == static_cast<DWORD>(NTE_NO_MEMORY) &&
              kProviderFailure == static_cast<DWORD>(NTE_FAIL));

constexpr DWORD kNewKeysetFlag = 0x8;
constexpr DWORD kDeleteKeysetFlag = 0x10;

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CSP_INTERFACE_H_
