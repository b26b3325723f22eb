// lumaPassKSP.dll: the exports CNG and regsvr32 call. Each one lets no exception out and answers
// with its status.
#include <windows.h>

#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"
#include "plugins/ksp/ksp_registration.h"

namespace {
HMODULE ownModule = nullptr;
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      ownModule = module;
    } else if (reason == DLL_PROCESS_DETACH) {
      luma::ksp::KspModule::Detach(reserved != nullptr);
    }
  } catch (...) {
  }
  return TRUE;
}

HRESULT WINAPI DllCanUnloadNow() { return S_OK; }

HRESULT WINAPI DllRegisterServer() {
  return luma::ksp::RegisterProvider(luma::ksp::SystemRegistrationFunctions());
}

HRESULT WINAPI DllUnregisterServer() {
  return luma::ksp::UnregisterProvider(luma::ksp::SystemRegistrationFunctions());
}

SECURITY_STATUS WINAPI GetKeyStorageInterface(LPCWSTR pszProviderName,
                                              NCRYPT_KEY_STORAGE_FUNCTION_TABLE** ppFunctionTable,
                                              DWORD dwFlags) {
  return luma::ksp::GetKeyStorageInterface(pszProviderName, ppFunctionTable, dwFlags);
}

}  // extern "C"
