#include "plugins/csp/csp_module.h"

#include <atomic>
#include <cstring>

#include "plugins/common/user_pipe_name.h"

namespace luma::csp {

namespace {

constexpr DWORD kIdentityPathSize = 2048;

std::wstring UserPipeName() { return luma::plugin::GetUserPipeName(); }

PipeNameFunction pipeNameFunction = &UserPipeName;
std::atomic<bool> rsaAesIdentity{false};

}  // namespace

ProviderIdentity IdentityForPath(const char* modulePath) noexcept {
  if (modulePath != nullptr && std::strstr(modulePath, kRsaAesFileMark) != nullptr) {
    return {kRsaAesProviderName, kRsaAesProviderType};
  }
  return {kProviderName, kProviderType};
}

void SelectIdentity(HMODULE module) noexcept {
  char path[kIdentityPathSize] = {};
  if (GetModuleFileNameA(module, path, kIdentityPathSize) == 0) return;
  path[kIdentityPathSize - 1] = '\0';
  rsaAesIdentity = IdentityForPath(path).type == kRsaAesProviderType;
}

ProviderIdentity CurrentIdentity() noexcept {
  return rsaAesIdentity ? ProviderIdentity{kRsaAesProviderName, kRsaAesProviderType}
                        : ProviderIdentity{kProviderName, kProviderType};
}

CModuleDebugLog& moduleLog() {
  static CModuleDebugLog log(kModuleName);
  return log;
}

CObjectPool<HCRYPTPROV, CCSPContext>& contextPool() {
  static CObjectPool<HCRYPTPROV, CCSPContext> pool;
  return pool;
}

void SetPipeNameFunction(PipeNameFunction function) {
  pipeNameFunction = function ? function : &UserPipeName;
}

std::wstring CurrentPipeName() { return pipeNameFunction(); }

void DetachModule(bool processTerminating) noexcept {
  // At process exit the other threads are gone, possibly mid-call: their contexts are left alone.
  if (!processTerminating && !contextPool().IsEmpty()) {
    moduleLog().print(kLogMutex, "DLL_PROCESS_DETACH called while still having active contexts");
    contextPool().Clear();
  }
  moduleLog().shutdown();
}

}  // namespace luma::csp
