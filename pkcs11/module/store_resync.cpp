#include "pkcs11/module/store_resync.h"

#include <windows.h>

namespace luma {
namespace pkcs11 {

bool resyncOfReadOnlyStoreHangs() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace pkcs11
}  // namespace luma
