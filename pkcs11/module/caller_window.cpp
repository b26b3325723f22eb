#include "pkcs11/module/caller_window.h"

namespace luma {
namespace pkcs11 {

namespace {
BOOL CALLBACK takeFirstVisible(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}
}  // namespace

HWND findCallerWindow() {
  HWND found = nullptr;
  EnumWindows(takeFirstVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace pkcs11
}  // namespace luma
