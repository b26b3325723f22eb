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

// The static table, version 1.0.
NCRYPT_KEY_STORAGE_FUNCTION_TABLE& FunctionTable();

// GetKeyStorageInterface: the banner on the first call of the process, then the table.
SECURITY_STATUS GetKeyStorageInterface(LPCWSTR providerName, NCRYPT_KEY_STORAGE_FUNCTION_TABLE** table,
                                       DWORD flags) noexcept;

// True when the available size holds the needed one; otherwise the last error is ERROR_MORE_DATA.
bool CheckOutputSize(DWORD available, DWORD needed) noexcept;

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_FUNCTIONS_H_
