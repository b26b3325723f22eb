// lumaPassP11.dll: the module's load and unload. The 68 entry points come from the module library;
// the .def file exports them by name.
#include <windows.h>

#include "pkcs11/core/cryptoki.h"
#include "pkcs11/module/module_log.h"
#include "pkcs11/module/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  try {
    switch (reason) {
      case DLL_PROCESS_ATTACH:
        luma::pkcs11::moduleLog();
        luma::pkcs11::moduleState();  // makes the stop event
        return TRUE;
      case DLL_PROCESS_DETACH: {
        luma::pkcs11::moduleLog().print(kLogInfo, "DLL_PROCESS_DETACH");
        luma::pkcs11::CModuleState& state = luma::pkcs11::moduleState();
        SetEvent(state.getStopEvent());
        if (reserved != nullptr) {
          // The process is ending: the key providers its sessions would release keys into may be
          // detached already. Only local work; sessions and slot stay to the end.
          luma::pkcs11::moduleLog().shutdown();
          return TRUE;
        }
        // Unloaded by an application that never finalised: its sessions and slot go now.
        while (state.getInitCount() > 0) C_Finalize(nullptr);
        luma::pkcs11::moduleLog().shutdown();
        luma::pkcs11::destroyModuleState();
        return TRUE;
      }
      case DLL_THREAD_ATTACH:
      case DLL_THREAD_DETACH:
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
  }
}
