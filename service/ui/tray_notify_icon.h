// The program's icon in the notification area of the taskbar: the tray menu on a right-click, the
// default command on a double-click, and the icon put back when the taskbar restarts. A hidden helper
// window of its own receives the taskbar's "TaskbarCreated" broadcast. The notification data is only
// touched on the thread that created the icon (the main thread).
#ifndef LUMA_SERVICE_UI_TRAY_NOTIFY_ICON_H_
#define LUMA_SERVICE_UI_TRAY_NOTIFY_ICON_H_

#include <string>

#include "ui/framework/app_window.h"
#include "service/ui/shell_notify.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

class CTrayNotifyIcon : public CAppWindow {
 public:
  static constexpr UINT kIconId = 119;
  static constexpr UINT kCallbackMessage = WM_USER + 100;
  static constexpr UINT kFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  static constexpr const wchar_t* kHelperTitle = L"CTrayNotifyIcon Helper Window";

  explicit CTrayNotifyIcon(CShellNotify& shell = SystemShellNotify());
  ~CTrayNotifyIcon() override;

  // Loads the tray menu, creates the helper window and adds the icon; on failure everything made by
  // this attempt is undone, so that the caller may simply try again.
  bool Create(HWND notificationWindow, const std::wstring& tooltip, HICON icon);
  // Makes "Accounts..." the default item (by command).
  void SetDefaultMenuItem();
  // While the icon is shown: its image, its tip (cut to the field) and a balloon.
  void SetIcon(HICON icon);
  void SetTooltip(const std::wstring& tooltip);
  void ShowBalloon(const std::wstring& text, const std::wstring& title, DWORD infoFlags);
  // The callback message's handling; 0 for another icon, else 1.
  LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);
  // Takes the icon out of the notification area and closes the helper window.
  void Remove();

  bool IsAdded() const { return added; }
  HMENU GetPopup() const;
  const NOTIFYICONDATAW& GetData() const { return data; }

  // The registered "TaskbarCreated" message.
  static UINT TaskbarCreatedMessage();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Recreate();
  void CloseHelper();

  CShellNotify& shell;
  NOTIFYICONDATAW data;
  bool added = false;
  HWND notificationWindow = nullptr;
  CMenuHandle menu;
  UINT defaultItem = 0;
  BOOL defaultByPosition = TRUE;
};

// Copies text into a fixed field of count characters, cut to fit with its terminator.
void CopyToField(wchar_t* field, size_t count, const std::wstring& text);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_TRAY_NOTIFY_ICON_H_
