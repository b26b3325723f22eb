// What the hidden main frame needs of the application object, and the seams of the system calls
// whose effect a test must observe or avoid (message boxes, waits, process creation, the shell).
#ifndef LUMA_SERVICE_UI_MAIN_FRAME_HOST_H_
#define LUMA_SERVICE_UI_MAIN_FRAME_HOST_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "policy/account/provider_context.h"
#include "service/ui/shell_notify.h"

namespace luma {
namespace ui {

class CAccountListDialog;
class CBasePropertySheet;

// Provider name to its context, as the application object holds them.
using CProviderContextMap = std::map<std::wstring, CProviderContextPtr>;

class CMainFrameHost {
 public:
  // The About box (the tray's About command).
  virtual void OnAppAbout() = 0;
  // The product name and version, as the account list's about icon tells them.
  virtual std::wstring VersionText() const { return std::wstring(); }
  virtual void SwitchToConsoleSession() = 0;
  virtual void SwitchToRemoteSession() = 0;

 protected:
  ~CMainFrameHost() = default;
};

struct CMainFrameSystem {
  CShellNotify* shell = &SystemShellNotify();
  std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
      messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
      };
  std::function<void(DWORD milliseconds)> sleep = [](DWORD milliseconds) { Sleep(milliseconds); };
  // CreateProcessW with the restart's arguments; the caller owns the handles it returns.
  std::function<BOOL(std::wstring& commandLine, STARTUPINFOW& startup, PROCESS_INFORMATION& process)>
      createProcess = [](std::wstring& commandLine, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
        return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process);
      };
  std::function<HRESULT(QUERY_USER_NOTIFICATION_STATE* state)> notificationState =
      [](QUERY_USER_NOTIFICATION_STATE* state) { return SHQueryUserNotificationState(state); };
  std::function<bool(int virtualKey)> isKeyDown = [](int virtualKey) { return GetKeyState(virtualKey) < 0; };
  std::function<void()> postQuit = [] { PostQuitMessage(0); };
  // The account list (a null result counts as a dialog that could not be shown) and the wizard's run.
  std::function<std::unique_ptr<CAccountListDialog>(HWND parent, const CProviderContextMap& contexts)>
      makeAccountList;
  std::function<INT_PTR(CBasePropertySheet& sheet)> runWizard;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_MAIN_FRAME_HOST_H_
