// lumaPassCSP.dll: the module's entry point and the exports regsvr32 calls; the CP* entry points
// come from the provider library. Nothing here lets an exception out.
#include <windows.h>

#include "plugins/csp/csp_module.h"
#include "plugins/csp/csp_registration.h"

namespace {
HMODULE ownModule = nullptr;
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  // CryptoAPI unloads the module right after a failed acquisition: its reason must survive.
  const DWORD lastError = GetLastError();
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      ownModule = module;
      luma::csp::SelectIdentity(module);
    } else if (reason == DLL_PROCESS_DETACH) {
      luma::csp::CspModule::Detach(reserved != nullptr);
    }
  } catch (...) {
  }
  SetLastError(lastError);
  return TRUE;
}

HRESULT WINAPI DllCanUnloadNow() { return S_OK; }

HRESULT WINAPI DllRegisterServer() {
  return luma::csp::RegisterProvider(ownModule, luma::csp::CurrentIdentity());
}

HRESULT WINAPI DllUnregisterServer() { return luma::csp::UnregisterProvider(luma::csp::CurrentIdentity()); }

}  // extern "C"
