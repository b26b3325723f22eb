#include "service/ui/main_frame.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <wtsapi32.h>

#include <list>

#include "foundation/core/string_utils.h"
#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "service/core/service_text_ids.h"
#include "service/ui/account_list_dialog.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/copy_data_text.h"
#include "service/ui/ui_resource_ids.h"
#include "ui/controls/cracked_url.h"

namespace luma {
namespace ui {
namespace {

HICON LoadSmallIcon(int id) {
  return static_cast<HICON>(LoadImageW(CAppWindow::ResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                       LR_SHARED));
}

// The common controls' icon loader (ordinal 380), else the plain loader at the same metric.
HICON LoadWindowIcon(bool small) {
  using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
  HICON icon = nullptr;
  if (HMODULE controls = GetModuleHandleW(L"comctl32.dll")) {
    auto load = reinterpret_cast<LoadIconMetricFn>(
        reinterpret_cast<void*>(GetProcAddress(controls, reinterpret_cast<LPCSTR>(380))));
    if (load != nullptr && SUCCEEDED(load(CAppWindow::ResourceModule(), MAKEINTRESOURCEW(IDI_LUMAPASSV),
                                          small ? LIM_SMALL : LIM_LARGE, &icon))) {
      return icon;
    }
  }
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  return static_cast<HICON>(LoadImageW(CAppWindow::ResourceModule(), MAKEINTRESOURCEW(IDI_LUMAPASSV),
                                       IMAGE_ICON, size, size, LR_SHARED));
}

class CResourceTexts final : public tray::TrayTexts {
 public:
  std::wstring Text(unsigned id) const override { return FormatResourceString(id); }
  std::wstring Numbered(unsigned id, int number) const override { return FormatResourceString(id, number); }
};

}  // namespace

UINT CMainFrame::PolicyInformationUpdatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_POLICY_INFORMATION_UPDATED");
  return message;
}

CMainFrame::CMainFrame(const CProviderContextMap& contexts, std::shared_ptr<const CLumaPassVConfig> config,
                       CMainFrameHost& application, CMainFrameSystem systemCalls)
    : providerContexts(contexts),
      settings(std::move(config)),
      host(application),
      system(std::move(systemCalls)),
      trayIcon(*system.shell) {
  if (!system.makeAccountList) {
    system.makeAccountList = [this](HWND parent, const CProviderContextMap& map) {
      return std::make_unique<CAccountListDialog>(parent, map, settings, this);
    };
  }
  if (!system.runWizard) system.runWizard = [](CBasePropertySheet& sheet) { return sheet.DoModal(); };
  normalIcon = LoadSmallIcon(IDI_LUMAPASSV);
  attentionIcon = LoadSmallIcon(IDI_ATTENTION);
}

CMainFrame::~CMainFrame() {
  if (Handle() != nullptr) DestroyWindow();
  trayIcon.Remove();
}

bool CMainFrame::Create() { return CAppWindow::Create(kTitle, kStyle, 0); }

void CMainFrame::DestroyWindow() {
  postTarget = nullptr;
  if (observing) {
    for (const auto& entry : providerContexts) entry.second->RemoveObserver(this);
    observing = false;
  }
  if (Handle() == nullptr) return;
  if (sessionNotifications) WTSUnRegisterSessionNotification(Handle());
  sessionNotifications = false;
  if (timer != 0) KillTimer(Handle(), timer);
  timer = 0;
  ::DestroyWindow(Handle());
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_COPYDATA:
      return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case CTrayNotifyIcon::kCallbackMessage:
      return OnTrayNotify(wParam, lParam);
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && lParam == 0 && OnCommand(LOWORD(wParam))) return 0;
      break;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_QUERYENDSESSION:
      CDebugLog::Log(LOG_DEBUG, L"CMainFrame::OnQueryEndSession()");
      system.postQuit();
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      OnSessionChange(wParam, lParam);
      break;
    case WM_TIMER:
      UpdateTrayStatus(true);
      break;
    case 0x02E0:  // WM_DPICHANGED
      CDebugLog::Log(LOG_DEBUG, L"WM_DPICHANGED %d %d", HIWORD(wParam), LOWORD(wParam));
      return 0;
    case WM_DISPLAYCHANGE:
      CDebugLog::Log(LOG_DEBUG, L"WM_DISPLAYCHANGE %d %d", HIWORD(lParam), LOWORD(lParam));
      return 0;
    case kPolicyChangedMessage:
      OnPolicyChanged();
      return 0;
    case WM_DESTROY:
      postTarget = nullptr;
      system.postQuit();  // the program ends with its main window
      break;
    default:
      break;
  }
  return CAppWindow::WindowProc(message, wParam, lParam);
}

LRESULT CMainFrame::OnCreate() {
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadWindowIcon(true)));
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadWindowIcon(false)));

  const std::wstring title = FormatResourceString(IDS_APP_TITLE);
  bool added = false;
  for (int attempt = 1; attempt <= kTrayAttempts && !added; ++attempt) {
    added = trayIcon.Create(Handle(), title, normalIcon);
    if (!added && attempt < kTrayAttempts) system.sleep(kTrayRetryDelay);
  }
  if (!added) {
    const auto error = static_cast<unsigned>(GetLastError());
    ShowError(FormatResourceString(luma::service::kStrTrayIconFailed, error));
    return -1;
  }
  SetWindowTextW(trayIcon.Handle(), title.c_str());
  trayIcon.SetDefaultMenuItem();
  if (HMENU popup = trayIcon.GetPopup()) {
    if (!settings->ShowExit) RemoveMenu(popup, ID_APP_EXIT, MF_BYCOMMAND);
    if (!settings->ShowRestart) RemoveMenu(popup, ID_RESTART, MF_BYCOMMAND);
    if (!settings->ShowLogoutAll) RemoveMenu(popup, ID_LOGOUT_ALL, MF_BYCOMMAND);
  }
  sessionNotifications = WTSRegisterSessionNotification(Handle(), NOTIFY_FOR_THIS_SESSION) != FALSE;
  UpdateTrayStatus(true);
  timer = SetTimer(Handle(), kTimerId, kTimerPeriod, nullptr);
  postTarget = Handle();
  for (const auto& entry : providerContexts) entry.second->AddObserver(this);
  observing = true;
  return 0;
}

int CMainFrame::ShowError(const std::wstring& text) {
  return system.messageBox(Handle(), text, FormatResourceString(IDS_APP_TITLE), MB_ICONERROR);
}

std::vector<tray::AccountFacts> CMainFrame::CollectAccountFacts() const {
  std::vector<tray::AccountFacts> accounts;
  for (const auto& entry : providerContexts) {
    std::list<CPolicyPtr> policies;
    entry.second->GetPolicies(policies);
    for (const CPolicyPtr& policy : policies) {
      tray::AccountFacts account;
      account.outdated = policy->IsOutdated();
      account.daysUntilNextUpdate = policy->GetDaysUntilNextUpdate();
      for (const CCertificatePolicyPtr& certificate : policy->certificatePolicies) {
        tray::CertificateFacts facts;
        facts.pinChangeDue = certificate->pinPolicy.IsPinChangeDue();
        facts.daysUntilPinChange = certificate->pinPolicy.GetDaysUntilPinChange();
        facts.enabled = certificate->enabled;
        facts.friendlyName = certificate->friendlyName;
        account.certificates.push_back(std::move(facts));
      }
      accounts.push_back(std::move(account));
    }
  }
  return accounts;
}

void CMainFrame::UpdateTrayStatus(bool notify) {
  if (notify) {
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (SUCCEEDED(system.notificationState(&state)) && state != QUNS_ACCEPTS_NOTIFICATIONS) notify = false;
  }
  tray::ReminderSettings reminders;
  reminders.notifyRefreshDaysBefore = settings->NotifyRefreshDaysBefore;
  reminders.notifyPinChangeDaysBefore = settings->NotifyPINChangeDaysBefore;
  const tray::TrayStatus status =
      tray::ComputeTrayStatus(CollectAccountFacts(), reminders, notify, CResourceTexts());
  trayIcon.SetTooltip(status.tooltip);
  trayIcon.SetIcon(status.image == tray::TrayImage::kNormal ? normalIcon : attentionIcon);
  if (status.balloon != tray::BalloonKind::kNone) {
    trayIcon.ShowBalloon(status.balloonText, FormatResourceString(IDS_APP_TITLE),
                         status.balloon == tray::BalloonKind::kWarning ? NIIF_WARNING : NIIF_INFO);
  }
}

void CMainFrame::PolicyAdded(const CPolicyPtr&) {
  // Any thread: only the main thread touches the icon and the account list.
  if (policyChangePosted.exchange(true)) return;
  HWND target = postTarget;
  if (target == nullptr || !PostMessageW(target, kPolicyChangedMessage, 0, 0)) policyChangePosted = false;
}

void CMainFrame::PolicyRemoved(const CPolicyPtr& policy) { PolicyAdded(policy); }

void CMainFrame::PolicyUpdated(const CPolicyPtr& policy) { PolicyAdded(policy); }

void CMainFrame::OnPolicyChanged() {
  policyChangePosted = false;  // changes from now on post again
  if (accountList != nullptr && accountList->GetSafeHwnd() != nullptr) {
    PostMessageW(accountList->GetSafeHwnd(), PolicyInformationUpdatedMessage(), 0, 0);
  }
  UpdateTrayStatus(false);
}

bool CMainFrame::OnCommand(UINT id) {
  switch (id) {
    case ID_APP_ABOUT:
      if (idle) host.OnAppAbout();
      return true;
    case ID_ACCOUNTS:
      OnAccounts();
      return true;
    case ID_LOGOUT_ALL:
      if (idle) OnLogoutAll();
      return true;
    case ID_RESTART:
      OnRestart();
      return true;
    case ID_APP_EXIT:
      OnClose();
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnInitMenuPopup(HMENU menu) {
  const UINT state = MF_BYCOMMAND | (idle ? MF_ENABLED : MF_GRAYED);
  for (UINT id : {ID_APP_ABOUT, ID_ACCOUNTS, ID_LOGOUT_ALL}) EnableMenuItem(menu, id, state);
}

void CMainFrame::OnAccounts() {
  if (!idle) return;  // the command is disabled while the list is open
  idle = false;
  std::unique_ptr<CAccountListDialog> dialog = system.makeAccountList(Handle(), providerContexts);
  INT_PTR result = -1;
  if (dialog) {
    accountList = dialog.get();
    result = dialog->DoModal();
    accountList = nullptr;
    dialog.reset();
  }
  // Whatever the list returned: a list that could not be shown must not disable the tray for good.
  idle = true;
  if (result < 0)
    CDebugLog::Log(LOG_WARNING, L"The account list could not be shown (%d)", static_cast<int>(result));
  if (closeRequested) DestroyWindow();
}

void CMainFrame::OnClose() {
  if (closeRequested) return;
  closeRequested = true;
  if (accountList != nullptr && accountList->GetSafeHwnd() != nullptr) {
    SendMessageW(accountList->GetSafeHwnd(), WM_CLOSE, 0, 0);  // destroyed when the list returns
    return;
  }
  if (accountList == nullptr) DestroyWindow();
}

void CMainFrame::LogoutAllProviders() {
  for (const auto& entry : providerContexts) entry.second->LogoutAll();
}

void CMainFrame::OnLogoutAll() {
  LogoutAllProviders();
  using SslEmptyCacheFn = BOOL(WINAPI*)(LPSTR, DWORD);
  if (HMODULE schannel = LoadLibraryW(L"schannel.dll")) {
    auto emptyCache = reinterpret_cast<SslEmptyCacheFn>(
        reinterpret_cast<void*>(GetProcAddress(schannel, "SslEmptyCacheA")));
    if (emptyCache != nullptr) emptyCache(nullptr, 0);
    FreeLibrary(schannel);
  }
}

void CMainFrame::OnRestart() {
  CDebugLog::Log(LOG_DEBUG, L"Restart requested");
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  // Room for the two quotes: a longer path cannot be quoted in place.
  if (length == 0 || length + 2 >= MAX_PATH) {
    CDebugLog::Log(LOG_ERROR, L"Restart failed: the program path cannot be read [0x%08x]", GetLastError());
    return;
  }
  PathQuoteSpacesW(path);
  std::wstring commandLine = std::wstring(path) + L" --restart";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!system.createProcess(commandLine, startup, process)) {
    CDebugLog::Log(LOG_ERROR, L"Restart failed: the new instance could not be started [0x%08x]",
                   GetLastError());
    return;
  }
  CKernelHandle processHandle(process.hProcess);
  CKernelHandle threadHandle(process.hThread);
}

void CMainFrame::OnSessionChange(WPARAM event, LPARAM session) {
  CDebugLog::Log(LOG_DEBUG, L"CMainFrame::OnSessionChange(%d, %d)", static_cast<int>(event),
                 static_cast<int>(session));
  switch (event) {
    case WTS_CONSOLE_CONNECT:
      host.SwitchToConsoleSession();
      UpdateTrayStatus(true);
      break;
    case WTS_REMOTE_CONNECT:
      host.SwitchToRemoteSession();
      UpdateTrayStatus(true);
      break;
    case WTS_SESSION_UNLOCK:
      UpdateTrayStatus(true);
      break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
    case WTS_SESSION_LOCK:
      if (settings->LogoutOnLock) {
        CDebugLog::Log(LOG_INFO, L"Session locked or disconnected, logout all accounts");
        LogoutAllProviders();
      }
      break;
    default:
      break;
  }
}

LRESULT CMainFrame::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = trayIcon.OnTrayNotification(wParam, lParam);
  const UINT mouse = LOWORD(lParam);
  if (result == 0 || (mouse != WM_LBUTTONDOWN && mouse != NIN_BALLOONUSERCLICK)) return result;
  if (mouse == WM_LBUTTONDOWN && system.isKeyDown(VK_CONTROL) && system.isKeyDown(VK_MENU)) {
    OnRestart();
    return 0;
  }
  if (idle) {
    PostMessageW(Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  } else if (accountList != nullptr && accountList->GetSafeHwnd() != nullptr) {
    HWND list = accountList->GetSafeHwnd();
    if (accountList->IsBusy()) {
      HWND popup = GetLastActivePopup(Handle());
      if (popup == nullptr || popup == Handle()) popup = GetLastActivePopup(list);
      SetForegroundWindow(popup != nullptr ? popup : list);
    } else {
      PostMessageW(list, WM_CLOSE, 0, 0);
    }
  }
  return result;
}

BOOL CMainFrame::OnCopyData(const COPYDATASTRUCT* data) {
  std::wstring url;
  if (!ReadCopyDataText(data, url)) {
    CDebugLog::Log(LOG_WARNING, L"Malformed protocol handler request ignored");
    return FALSE;
  }
  return OnProtocolRequest(url);
}

BOOL CMainFrame::OnProtocolRequest(const std::wstring& url) {
  CDebugLog::Log(LOG_INFO, L"lumaPassV Protocol Handler request received: %s", url.c_str());
  const CCrackedUrl parts(url);
  const std::wstring& action = parts.hostName;
  const std::wstring providerName = parts.urlPath.empty() ? std::wstring() : parts.urlPath.substr(1);
  if (!luma::EqualsIgnoreCase(action, L"add")) {
    ShowError(FormatResourceString(luma::service::kStrUnsupportedOperation));
    return FALSE;
  }
  CProviderContextPtr provider;
  for (const auto& entry : providerContexts) {
    if (luma::EqualsIgnoreCase(entry.first, providerName)) {
      provider = entry.second;
      break;
    }
  }
  if (!provider) {
    ShowError(FormatResourceString(luma::service::kStrUnknownProvider));
    return FALSE;
  }

  CAddAccountWizard wizard(Handle(), providerContexts, provider);
  system.runWizard(wizard.Sheet());
  OnAccounts();
  return TRUE;
}

}  // namespace ui
}  // namespace luma
