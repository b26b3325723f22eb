// The key storage function table of lumaPassKSP and the module's own entry points behind its exports.
#ifndef LUMA_PLUGINS_KSP_KSP_FUNCTIONS_H_
#define LUMA_PLUGINS_KSP_KSP_FUNCTIONS_H_

#include "plugins/ksp/key_storage_interface.h"

namespace luma::ksp {

// CNG's status codes of the table's entries.
constexpr SECURITY_STATUS kBadLen = static_cast<SECURITY_STATUS>(0x80090004);
constexpr SECURITY_STATUS kBadData = static_cast<SECURITY_STATUS>(0x80090005);
constexpr SECURITY_STATUS kBadFlags = static_cast<SECURITY_STATUS>(0x80090009);
constexpr SECURITY_STATUS kNoMemory = static_cast<SECURITY_STATUS>(0x8009000E);
constexpr SECURITY_STATUS kPerm = static_cast<SECURITY_STATUS>(0x80090010);
constexpr SECURITY_STATUS kNotFound = static_cast<SECURITY_STATUS>(0x80090011);
constexpr SECURITY_STATUS kBadKeyset = static_cast<SECURITY_STATUS>(0x80090016);
constexpr SECURITY_STATUS kInvalidHandle = static_cast<SECURITY_STATUS>(0x80090026);
constexpr SECURITY_STATUS kInvalidParameter = static_cast<SECURITY_STATUS>(0x80090027);
constexpr SECURITY_STATUS kBufferTooSmall = static_cast<SECURITY_STATUS>(0x80090028);
constexpr SECURITY_STATUS kNotSupported = static_cast<SECURITY_STATUS>(0x80090029);
constexpr SECURITY_STATUS kNoMoreItems = static_cast<SECURITY_STATUS>(0x8009002A);
constexpr SECURITY_STATUS kInternalError = static_cast<SECURITY_STATUS>(0x8009002D);
constexpr SECURITY_STATUS kMoreData = ERROR_MORE_DATA;  // 234: the caller's output buffer is too small

// The platform's own definitions of the same codes: a mismatch would reach CNG as another error.
static_assert(kBadLen == NTE_BAD_LEN && kBadData == NTE_BAD_DATA && kBadFlags == NTE_BAD_FLAGS);
static_assert(kNoMemory == NTE_NO_MEMORY && kPerm == NTE_PERM && kNotFound == NTE_NOT_FOUND);
static_assert(kBadKeyset == NTE_BAD_KEYSET && kInvalidHandle == NTE_INVALID_HANDLE);
static_assert(kInvalidParameter == NTE_INVALID_PARAMETER && kBufferTooSmall == NTE_BUFFER_TOO_SMALL);
static_assert(kNotSupported == NTE_NOT_SUPPORTED && kNoMoreItems == NTE_NO_MORE_ITEMS);
static_assert(kInternalError == NTE_INTERNAL_ERROR);

// The static table, version 1.0.
NCRYPT_KEY_STORAGE_FUNCTION_TABLE& FunctionTable();

// GetKeyStorageInterface: the banner on the first call of the process, then the table.
SECURITY_STATUS GetKeyStorageInterface(LPCWSTR providerName, NCRYPT_KEY_STORAGE_FUNCTION_TABLE** table,
                                       DWORD flags) noexcept;

// True when the available size holds the needed one; otherwise the last error is ERROR_MORE_DATA.
bool CheckOutputSize(DWORD available, DWORD needed) noexcept;

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_FUNCTIONS_H_
