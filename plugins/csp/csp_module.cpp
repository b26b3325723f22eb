#include "plugins/csp/csp_module.h"

#include <atomic>
#include <cstring>

namespace luma::csp {

namespace {

constexpr DWORD kIdentityPathSize = 2048;

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

}  // namespace luma::csp
