// CPAcquireContext and CPReleaseContext: a provider handle is one CCSPContext in the context pool.
#include <atomic>

#include "plugins/common/module_version_banner.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {

std::atomic<bool> bannerWritten{false};

// The module's and the host's versions and the identity, once per process at level 3.
void WriteBanner() {
  if (bannerWritten.exchange(true) || !moduleLog().isOn(kLogInfo)) return;
  const ProviderIdentity provider = CurrentIdentity();
  luma::plugin::WriteVersionBanner(moduleLog(), "lumaPassCSP");
  moduleLog().print(kLogInfo, "Implementing '%s' with type %lu", provider.name,
                    static_cast<unsigned long>(provider.type));
}

}  // namespace

extern "C" {

BOOL WINAPI CPAcquireContext(HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags,
                             PVTableProvStruc pVTable) {
  CFunctionTracer tracer(moduleLog(), "CPAcquireContext", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    WriteBanner();
    LogArgument("     phProv      %p", phProv);
    if (szContainer != nullptr) {
      moduleLog().print(kLogTrace, "     szContainer '%s'", szContainer);
    } else {
      moduleLog().print(kLogTrace, "     szContainer '(NULL)'");
    }
    LogValue("     dwFlags     0x%08lx", dwFlags);
    LogArgument("     pVTable     %p", pVTable);
    LogEnd();
    moduleLog().stackTrace();
    if ((dwFlags & (kNewKeysetFlag | kDeleteKeysetFlag)) != 0) return kBadFlags;
    if (phProv == nullptr) return ERROR_INVALID_PARAMETER;
    auto context = std::make_shared<CCSPContext>(szContainer, dwFlags, pVTable);
    const HCRYPTPROV handle = contextPool().Add(context);
    if (handle == 0) return ERROR_INTERNAL_ERROR;
    *phProv = handle;
    LogArgument("     *phProv %p", reinterpret_cast<void*>(handle));
    return kOk;
  });
}

BOOL WINAPI CPReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPReleaseContext", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv   %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwFlags 0x%08lx", dwFlags);
    LogEnd();
    // The context dies here unless another call still holds it.
    return contextPool().Remove(hProv) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
  });
}

}  // extern "C"
