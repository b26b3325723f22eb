// The data exchange key on disk: an RSA key-exchange key in a per-user key container, made once and
// kept across starts, and a self-signed certificate made for it at every start.
#ifndef LUMA_SERVICE_EXCHANGE_EXCHANGE_KEY_H_
#define LUMA_SERVICE_EXCHANGE_EXCHANGE_KEY_H_

#include <windows.h>

#include <string>

#include "foundation/win/unique_handle.h"

namespace luma {
namespace service {

constexpr wchar_t kExchangeKeySubject[] = L"CN=luma-Pass V Data Exchange Key";
constexpr DWORD kExchangeKeyFlags = 0x08000000;  // 2048 bits in the upper half, not exportable

// Opens the container (creating it when missing) and generates its exchange key when it holds none
// (a container made by a start that ended before its key existed is completed, not left broken);
// then makes a fresh self-signed sha256RSA certificate, valid from a year ago for ten years.
// 0 or the Win32 error of the step that failed; certificate is set only on success.
DWORD PrepareExchangeKey(const std::wstring& containerName, CCertContextHandle& certificate);

// A handle on the container through the AES provider, which has SHA-256 and AES besides the key.
DWORD OpenExchangeKeyContainer(const std::wstring& containerName, CCryptProviderHandle& provider);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_EXCHANGE_EXCHANGE_KEY_H_
