// Self-registration of lumaPassCSP as a CryptoAPI provider: a subkey named after the provider under
// HKLM "SOFTWARE\Microsoft\Cryptography\Defaults\Provider" with its "Image Path" and "Type".
#ifndef LUMA_PLUGINS_CSP_CSP_REGISTRATION_H_
#define LUMA_PLUGINS_CSP_CSP_REGISTRATION_H_

#include <windows.h>

#include "plugins/csp/csp_module.h"

namespace luma::csp {

constexpr char kProvidersKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider";
constexpr DWORD kRegisteredPathSize = MAX_PATH;

// How the module's path is read: GetModuleFileNameA, or a stand-in in the tests.
using ModulePathFunction = DWORD(WINAPI*)(HMODULE module, LPSTR path, DWORD size);

// Writes the provider's subkey. The module's path must fit the buffer with room to spare (a full
// buffer may hold a cut path) and its file name must contain a "."; any failure removes the
// provider's subkey again and answers with the error as an HRESULT.
HRESULT RegisterProvider(HMODULE module, const ProviderIdentity& identity,
                         ModulePathFunction readPath = &GetModuleFileNameA) noexcept;
// Removes the provider's subkey; S_OK also when there was none.
HRESULT UnregisterProvider(const ProviderIdentity& identity) noexcept;

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CSP_REGISTRATION_H_
