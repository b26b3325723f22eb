// The module-wide state of lumaPassCSP: the provider identity chosen from its file name, its debug
// log, the pool of acquired contexts and the pipe that new contexts talk to.
#ifndef LUMA_PLUGINS_CSP_CSP_MODULE_H_
#define LUMA_PLUGINS_CSP_CSP_MODULE_H_

#include <windows.h>

#include <string>

#include "plugins/common/object_pool.h"
#include "plugins/csp/csp_context.h"
#include "plugins/diagnostics/module_debug_log.h"

namespace luma::csp {

constexpr char kModuleName[] = "lumaPassCSP";
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

CModuleDebugLog& moduleLog();
CObjectPool<HCRYPTPROV, CCSPContext>& contextPool();

// The pipe that new contexts talk to: the per-user pipe of lumaPassV unless a program that links
// the provider logic directly (its tests) names another.
using PipeNameFunction = std::wstring (*)();
void SetPipeNameFunction(PipeNameFunction function);
std::wstring CurrentPipeName();

// DLL_PROCESS_DETACH: drops the contexts still acquired (closing their sessions) and shuts the log down.
void DetachModule(bool processTerminating) noexcept;

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CSP_MODULE_H_
