// The module-wide state of lumaPassCSP: the provider identity chosen from its file name and the
// plug-in frame (its debug log, the pool of acquired contexts, the pipe that new contexts talk to,
// the unload).
#ifndef LUMA_PLUGINS_CSP_CSP_MODULE_H_
#define LUMA_PLUGINS_CSP_CSP_MODULE_H_

#include <windows.h>

#include <string>

#include "plugins/common/plugin_module.h"
#include "plugins/csp/csp_context.h"

namespace luma::csp {

inline constexpr char kModuleName[] = "lumaPassCSP";
constexpr wchar_t kReaderName[] = L"lumaPassCSP";
constexpr char kProviderName[] = "nuvak lumaPass V Cryptographic Service Provider";
constexpr char kRsaAesProviderName[] = "nuvak lumaPass V RSA and AES Cryptographic Service Provider";
constexpr DWORD kProviderType = 1;         // PROV_RSA_FULL
constexpr DWORD kRsaAesProviderType = 24;  // PROV_RSA_AES
// A copy of the module whose path contains this (case-sensitive) is the second provider.
constexpr char kRsaAesFileMark[] = "lumaPassRSACSP";

struct ProviderIdentity {
  const char* name;
  DWORD type;
};

// The identity a module at that path announces and registers.
ProviderIdentity IdentityForPath(const char* modulePath) noexcept;
// Chosen once at load from the module's own path; the plain identity until then.
void SelectIdentity(HMODULE module) noexcept;
ProviderIdentity CurrentIdentity() noexcept;

// The plug-in frame; its pool holds the acquired contexts.
using CspModule = luma::plugin::CPluginModule<HCRYPTPROV, CCSPContext, kModuleName>;
inline CModuleDebugLog& moduleLog() { return CspModule::Log(); }
inline CspModule::Pool& contextPool() { return CspModule::Handles(); }

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CSP_MODULE_H_
