#include "ui/framework/window_helpers.h"

#include <shellapi.h>

namespace luma {
namespace ui {

void CenterWindowOnScreen(HWND window) {
  RECT bounds = {};
  RECT desktop = {};
  if (!GetWindowRect(window, &bounds) || !GetWindowRect(GetDesktopWindow(), &desktop)) return;
  const CPointI at = CenteredPosition(ToRectI(bounds), ToRectI(desktop), GetSystemMetrics(SM_CXSCREEN),
                                      GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(window, at.x, at.y, bounds.right - bounds.left, bounds.bottom - bounds.top, FALSE);
}

bool BringWindowToForeground(HWND window) {
  if (!IsWindow(window)) return false;
  if (GetForegroundWindow() == window) return true;
  // The system lets a process that just saw input take the foreground: an Alt press is such input.
  const bool pressAlt = GetAsyncKeyState(VK_MENU) >= 0;
  if (pressAlt) keybd_event(VK_MENU, 0, KEYEVENTF_EXTENDEDKEY, 0);
  SetForegroundWindow(window);
  if (pressAlt) keybd_event(VK_MENU, 0, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
  return GetForegroundWindow() == window;
}

bool ForceForegroundWindow(HWND window) {
  if (!IsWindow(window)) return false;
  if (GetForegroundWindow() == window) return true;
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD ownThread = GetCurrentThreadId();
  bool attached = false;
  bool result = false;
  DWORD lockTimeout = 0;
  if (foregroundThread != 0 && foregroundThread != ownThread &&
      AttachThreadInput(ownThread, foregroundThread, TRUE)) {
    attached = true;
    SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    result = AllowSetForegroundWindow(ASFW_ANY) != FALSE;
  }
  SetForegroundWindow(window);
  if (attached) {
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<UINT_PTR>(lockTimeout)),
                          SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    AttachThreadInput(ownThread, foregroundThread, FALSE);
  }
  return result;
}

int GetTaskbarEdge(RECT* out) {
  APPBARDATA bar = {};
  bar.cbSize = sizeof(bar);
  bar.hWnd = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (!SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) return kEdgeUnknown;
  if (out != nullptr) *out = bar.rc;
  return TaskbarEdge(ToRectI(bar.rc), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool MoveWindowNearTaskbar(HWND window, int margin) {
  RECT taskbar = {};
  const int edge = GetTaskbarEdge(&taskbar);
  RECT bounds = {};
  if (edge == kEdgeUnknown || !GetWindowRect(window, &bounds)) return false;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  CPointI at;
  if (!PositionNearTaskbar(edge, ToRectI(taskbar), width, height, margin, at)) return false;
  return MoveWindow(window, at.x, at.y, width, height, FALSE) != FALSE;
}

}  // namespace ui
}  // namespace luma
