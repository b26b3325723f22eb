// Self-registration of the store provider: CryptoAPI's open-store function "lumaPassV" in this
// module and the store's localised name. lumaPassV itself registers the physical store that makes
// CryptoAPI call the provider; unregistration removes that one too, wherever it is found.
#ifndef LUMA_PLUGINS_CERTSTORE_STORE_REGISTRATION_H_
#define LUMA_PLUGINS_CERTSTORE_STORE_REGISTRATION_H_

#include <windows.h>

#include <string>

namespace luma::certstore {

constexpr char kStoreProviderOid[] = "lumaPassV";
constexpr wchar_t kStoreProviderName[] = L"lumaPassV";
constexpr char kOpenFunctionName[] = "CertDllOpenLumaPassVStoreProvW";
constexpr wchar_t kLocalizedStoreName[] = L"luma-Pass V Cloud Certificates";
constexpr DWORD kModulePathChars = 260;

// The module's full path as the 8-bit call gives it, widened. A path that fills the whole buffer may
// have been cut short, so it fails too (ERROR_INSUFFICIENT_BUFFER). False with the reason as last
// error; throws std::bad_alloc only.
bool ReadModulePath(HMODULE module, std::wstring& path);

// S_OK also when the open function was registered before; otherwise the HRESULT of the failure.
HRESULT RegisterStoreProvider(HMODULE module) noexcept;
// S_OK also when nothing was registered.
HRESULT UnregisterStoreProvider() noexcept;

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_STORE_REGISTRATION_H_
