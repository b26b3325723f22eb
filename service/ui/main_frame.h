// The hidden main window of lumaPassV: found by its title by a second instance, it receives the
// notification-area icon's messages and the tray menu's commands, the session changes and the end of
// the user session, and its hourly timer refreshes the tooltip and the reminders. It watches every
// provider context as a policy observer; the observer calls arrive on any thread and only post a
// message, so that the icon and the account list are updated on the main thread.
#ifndef LUMA_SERVICE_UI_MAIN_FRAME_H_
#define LUMA_SERVICE_UI_MAIN_FRAME_H_

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "policy/config/lumapassv_config.h"
#include "service/core/tray_status.h"
#include "service/ui/account_list_dialog.h"
#include "service/ui/main_frame_host.h"
#include "service/ui/tray_notify_icon.h"
#include "ui/framework/app_window.h"

namespace luma {
namespace ui {

class CMainFrame : public CAppWindow, public CPolicyObserver, public CAccountListHost {
 public:
  static constexpr const wchar_t* kTitle = L"luma-Pass V {f86c020d-6022-4302-b55a-49f2b2def3b1}";
  static constexpr DWORD kStyle = 0x00CF8000;
  static constexpr UINT_PTR kTimerId = 1;
  static constexpr UINT kTimerPeriod = 3600000;
  static constexpr int kTrayAttempts = 61;
  static constexpr DWORD kTrayRetryDelay = 2000;
  // Posted to the frame by the policy observer.
  static constexpr UINT kPolicyChangedMessage = WM_APP + 1;

  CMainFrame(const CProviderContextMap& contexts, std::shared_ptr<const CLumaPassVConfig> settings,
             CMainFrameHost& host, CMainFrameSystem system = CMainFrameSystem());
  ~CMainFrame() override;

  // Creates the hidden window; false when it cannot be made (the tray icon could not be added).
  bool Create();
  // Stops observing, session notifications and the timer, then destroys the window.
  void DestroyWindow();

  void UpdateTrayStatus(bool notify) override;
  // The account list's About entries.
  void OnAppAbout() override { host.OnAppAbout(); }
  std::wstring VersionText() const override { return host.VersionText(); }

  void PolicyAdded(const CPolicyPtr& policy) override;
  void PolicyRemoved(const CPolicyPtr& policy) override;
  void PolicyUpdated(const CPolicyPtr& policy) override;

  CTrayNotifyIcon& TrayIcon() { return trayIcon; }
  bool IsIdle() const { return idle; }
  bool IsCloseRequested() const { return closeRequested; }
  CAccountListDialog* AccountList() const { return accountList; }
  HICON NormalIcon() const { return normalIcon; }
  HICON AttentionIcon() const { return attentionIcon; }

  // "WM_POLICY_INFORMATION_UPDATED", posted to the account list when a policy changed.
  static UINT PolicyInformationUpdatedMessage();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  void OnClose();
  BOOL OnCopyData(const COPYDATASTRUCT* data);
  BOOL OnProtocolRequest(const std::wstring& url);
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  bool OnCommand(UINT id);
  void OnAccounts();
  void OnLogoutAll();
  void OnRestart();
  void OnSessionChange(WPARAM event, LPARAM session);
  void OnPolicyChanged();
  void OnInitMenuPopup(HMENU menu);
  void LogoutAllProviders();
  std::vector<tray::AccountFacts> CollectAccountFacts() const;
  int ShowError(const std::wstring& text);

  const CProviderContextMap providerContexts;
  const std::shared_ptr<const CLumaPassVConfig> settings;
  CMainFrameHost& host;
  CMainFrameSystem system;
  CTrayNotifyIcon trayIcon;
  HICON normalIcon = nullptr;
  HICON attentionIcon = nullptr;
  bool closeRequested = false;
  bool idle = true;
  CAccountListDialog* accountList = nullptr;
  UINT_PTR timer = 0;
  bool observing = false;
  bool sessionNotifications = false;
  // Where observers post; cleared before the window goes.
  std::atomic<HWND> postTarget{nullptr};
  std::atomic<bool> policyChangePosted{false};
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_MAIN_FRAME_H_
