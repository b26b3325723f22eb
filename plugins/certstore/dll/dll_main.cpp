// lumaPassCertStore.dll: the exports CryptoAPI and regsvr32 call. Each one lets no exception out and
// answers with its status.
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <type_traits>

#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/store_callbacks.h"
#include "plugins/certstore/store_registration.h"
#include "plugins/diagnostics/win_mutex.h"

namespace {
// One per logon session while the module is loaded; nothing waits on it.
CWinMutex storeProviderMutex("lumaPassV");
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      luma::certstore::SetModuleHandle(module);
    } else if (reason == DLL_PROCESS_DETACH) {
      luma::certstore::moduleLog().shutdown();
    }
  } catch (...) {
  }
  return TRUE;
}

BOOL WINAPI CertDllOpenLumaPassVStoreProvW(LPCSTR lpszStoreProvider, DWORD, HCRYPTPROV_LEGACY, DWORD dwFlags,
                                           const void*, HCERTSTORE, PCERT_STORE_PROV_INFO pStoreProvInfo) {
  return luma::certstore::OpenStoreProvider(lpszStoreProvider, dwFlags, pStoreProvInfo);
}

// CryptoAPI calls the open function through this type; a mismatch would only show on 32-bit.
static_assert(
    std::is_same<decltype(&CertDllOpenLumaPassVStoreProvW), PFN_CERT_DLL_OPEN_STORE_PROV_FUNC>::value);

// Not while a store opened here still lives: its callbacks are in this module.
HRESULT WINAPI DllCanUnloadNow() { return luma::certstore::LiveRecordCount() > 0 ? S_FALSE : S_OK; }

HRESULT WINAPI DllRegisterServer() {
  return luma::certstore::RegisterStoreProvider(luma::certstore::OwnModule());
}

HRESULT WINAPI DllUnregisterServer() { return luma::certstore::UnregisterStoreProvider(); }

}  // extern "C"
