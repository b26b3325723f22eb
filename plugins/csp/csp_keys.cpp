// The key entries: container keys (the private keys in lumaPassV) and delegate keys.
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

extern "C" {

BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
  CFunctionTracer tracer(moduleLog(), "CPGetUserKey", TraceExitForm::Bool);
  return RunEntry(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwKeySpec  %lu", dwKeySpec);
    LogArgument("     phUserKey  %p", phUserKey);
    LogEnd();
    if (phUserKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    *phUserKey = context->GetUserKey(dwKeySpec);
    if (*phUserKey == 0) return kNoKey;
    LogArgument("     *phUserKey %p", reinterpret_cast<void*>(*phUserKey));
    return kOk;
  });
}

BOOL WINAPI CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey) {
  CFunctionTracer tracer(moduleLog(), "CPDestroyKey", TraceExitForm::Bool);
  return RunEntry(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogArgument("     hKey       %p", reinterpret_cast<void*>(hKey));
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    if (context->DestroyWrappedKey(hKey)) {
      moduleLog().print(kLogTrace, "     Destroyed delegate key");
      return kOk;
    }
    return context->DestroyKey(hKey) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
  });
}

}  // extern "C"
