#include "service/ui/tray_notify_icon.h"

#include <algorithm>

#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

// The 32-bit program hands the shell the full structure of its platform version.
static_assert(sizeof(void*) != 4 || sizeof(NOTIFYICONDATAW) == 956, "notification data of 956 bytes");

void CopyToField(wchar_t* field, size_t count, const std::wstring& text) {
  const size_t length = std::min(text.size(), count - 1);
  std::copy_n(text.data(), length, field);
  field[length] = L'\0';
}

UINT CTrayNotifyIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

CTrayNotifyIcon::CTrayNotifyIcon(CShellNotify& shellCalls) : shell(shellCalls), data{} {
  data.cbSize = sizeof(data);
}

CTrayNotifyIcon::~CTrayNotifyIcon() { Remove(); }

HMENU CTrayNotifyIcon::GetPopup() const { return menu ? GetSubMenu(menu.get(), 0) : nullptr; }

bool CTrayNotifyIcon::Create(HWND notifyWindow, const std::wstring& tooltip, HICON icon) {
  Remove();  // what an earlier attempt left
  bool created = false;
  menu.reset(LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  HMENU popup = GetPopup();
  if (popup != nullptr) {
    SetMenuDefaultItem(popup, defaultItem, defaultByPosition);
    if (CAppWindow::Create(kHelperTitle, WS_OVERLAPPEDWINDOW)) {
      notificationWindow = notifyWindow;
      data.hWnd = notifyWindow;
      data.uID = kIconId;
      data.uFlags = kFlags;
      data.uCallbackMessage = kCallbackMessage;
      data.hIcon = icon;
      CopyToField(data.szTip, ARRAYSIZE(data.szTip), tooltip);
      added = shell.NotifyIcon(NIM_ADD, &data) != FALSE;
      created = added;
    }
  }
  if (!created) {
    const DWORD error = GetLastError();
    CloseHelper();
    menu.reset();
    SetLastError(error);
    return false;
  }
  data.uVersion = NOTIFYICON_VERSION;
  shell.NotifyIcon(NIM_SETVERSION, &data);
  return true;
}

void CTrayNotifyIcon::SetDefaultMenuItem() {
  defaultItem = ID_ACCOUNTS;
  defaultByPosition = FALSE;
  if (HMENU popup = GetPopup()) SetMenuDefaultItem(popup, defaultItem, defaultByPosition);
}

void CTrayNotifyIcon::SetIcon(HICON icon) {
  data.hIcon = icon;
  if (!added) return;
  data.uFlags = NIF_ICON;
  shell.NotifyIcon(NIM_MODIFY, &data);
}

void CTrayNotifyIcon::SetTooltip(const std::wstring& tooltip) {
  CopyToField(data.szTip, ARRAYSIZE(data.szTip), tooltip);
  if (!added) return;
  data.uFlags = NIF_TIP;
  shell.NotifyIcon(NIM_MODIFY, &data);
}

void CTrayNotifyIcon::ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD infoFlags) {
  if (!added) return;
  CopyToField(data.szInfo, ARRAYSIZE(data.szInfo), text);
  CopyToField(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), title);
  data.uTimeout = 0;
  data.dwInfoFlags = infoFlags;
  data.uFlags = NIF_INFO;
  shell.NotifyIcon(NIM_MODIFY, &data);
  data.szInfo[0] = L'\0';  // a later re-add must not show it again
  data.szInfoTitle[0] = L'\0';
}

LRESULT CTrayNotifyIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
  if (wParam != kIconId) return 0;
  HMENU popup = GetPopup();
  switch (LOWORD(lParam)) {
    case WM_RBUTTONUP: {
      if (popup == nullptr) break;
      POINT cursor = {};
      GetCursorPos(&cursor);
      SetForegroundWindow(notificationWindow);
      TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, notificationWindow, nullptr);
      PostMessageW(notificationWindow, WM_NULL, 0, 0);
      break;
    }
    case WM_LBUTTONDBLCLK: {
      if (popup == nullptr) break;
      SetForegroundWindow(notificationWindow);
      const UINT item = GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS);
      if (item != static_cast<UINT>(-1)) SendMessageW(notificationWindow, WM_COMMAND, item, 0);
      break;
    }
    default:
      break;
  }
  return 1;
}

void CTrayNotifyIcon::Remove() {
  if (added) {
    data.uFlags = 0;
    shell.NotifyIcon(NIM_DELETE, &data);
    added = false;
  }
  CloseHelper();
}

void CTrayNotifyIcon::CloseHelper() { Destroy(); }

void CTrayNotifyIcon::Recreate() {
  if (added) {
    data.uFlags = 0;
    shell.NotifyIcon(NIM_DELETE, &data);
    added = false;
  }
  data.uFlags = kFlags;
  added = shell.NotifyIcon(NIM_ADD, &data) != FALSE;
}

LRESULT CTrayNotifyIcon::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TaskbarCreatedMessage() && message != 0) {
    Recreate();
    return 0;
  }
  return CAppWindow::WindowProc(message, wParam, lParam);
}

}  // namespace ui
}  // namespace luma
