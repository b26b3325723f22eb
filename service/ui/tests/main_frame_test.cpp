#include "service/ui/main_frame.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <thread>

#include "service/ui/account_list_dialog.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/copy_data_text.h"
#include "service/ui/tests/ui_test_support.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma {
namespace ui {
namespace {

using ui_test::CCountingHost;
using ui_test::CRecordingShell;
using ui_test::MakeAccount;
using ui_test::MakeProvider;
using ui_test::Pump;

// An account list whose run is scripted by the test.
class CScriptedList : public CAccountListDialog {
 public:
  CScriptedList(HWND parent, const CProviderContextMap& contexts, std::function<INT_PTR()> script)
      : CAccountListDialog(parent, contexts), run(std::move(script)) {}
  INT_PTR DoModal(HWND) override { return run(); }

 private:
  std::function<INT_PTR()> run;
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings->NotifyRefreshDaysBefore = 0;
    settings->NotifyPINChangeDaysBefore = 0;
    contexts[L"ACME"] = acme;
    system.shell = &shell;
    system.messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
      messages.push_back(text);
      EXPECT_EQ(caption, L"luma-Pass V");
      EXPECT_EQ(type, static_cast<UINT>(MB_ICONERROR));
      return IDOK;
    };
    system.sleep = [this](DWORD milliseconds) { sleeps.push_back(milliseconds); };
    system.createProcess = [this](std::wstring& commandLine, STARTUPINFOW& startup,
                                  PROCESS_INFORMATION& process) {
      commandLines.push_back(commandLine);
      EXPECT_EQ(startup.cb, sizeof(STARTUPINFOW));
      if (!processStarts) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
      }
      process.hProcess = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      process.hThread = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      startedHandles = {process.hProcess, process.hThread};
      return TRUE;
    };
    system.notificationState = [this](QUERY_USER_NOTIFICATION_STATE* state) {
      *state = notificationState;
      return S_OK;
    };
    system.isKeyDown = [this](int key) { return (key == VK_CONTROL || key == VK_MENU) && ctrlAlt; };
    system.postQuit = [this] { ++quits; };
    system.makeAccountList = [this](HWND parent,
                                    const CProviderContextMap& map) -> std::unique_ptr<CAccountListDialog> {
      ++listsMade;
      if (!listScript) return std::make_unique<CAccountListDialog>(parent, map);
      return std::make_unique<CScriptedList>(parent, map, listScript);
    };
    system.runWizard = [this](CBasePropertySheet& sheet) {
      std::vector<UINT> pages;
      for (int i = 0; i < sheet.GetPageCount(); ++i) pages.push_back(sheet.GetPage(i)->PageTemplateId());
      wizards.push_back(pages);
      EXPECT_NE(sheet.m_psh.dwFlags & PSH_WIZARD, 0u);
      EXPECT_EQ(sheet.GetCaptionId(), static_cast<UINT>(IDS_ADD_ACCOUNT_CAPTION));
      return static_cast<INT_PTR>(IDCANCEL);
    };
  }

  std::unique_ptr<CMainFrame> Frame() {
    auto frame = std::make_unique<CMainFrame>(contexts, settings, host, system);
    EXPECT_TRUE(frame->Create());
    return frame;
  }

  std::wstring LastTip() const {
    for (auto call = shell.calls.rbegin(); call != shell.calls.rend(); ++call) {
      if (call->message == NIM_MODIFY && call->data.uFlags == NIF_TIP) return call->data.szTip;
    }
    return L"<none>";
  }
  HICON LastIcon() const {
    for (auto call = shell.calls.rbegin(); call != shell.calls.rend(); ++call) {
      if (call->message == NIM_MODIFY && call->data.uFlags == NIF_ICON) return call->data.hIcon;
    }
    return nullptr;
  }
  std::vector<ui_test::ShellCall> Balloons() const {
    std::vector<ui_test::ShellCall> found;
    for (const auto& call : shell.calls) {
      if (call.message == NIM_MODIFY && call.data.uFlags == NIF_INFO) found.push_back(call);
    }
    return found;
  }
  LRESULT CopyData(HWND frame, const COPYDATASTRUCT* data) {
    return SendMessageW(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(data));
  }
  LRESULT SendUrl(HWND frame, const std::wstring& url) {
    COPYDATASTRUCT data = {0, static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t)),
                           const_cast<wchar_t*>(url.c_str())};
    return CopyData(frame, &data);
  }

  CRecordingShell shell;
  CCountingHost host;
  std::shared_ptr<CLumaPassVConfig> settings = std::make_shared<CLumaPassVConfig>();
  CProviderContextPtr acme = MakeProvider(L"ACME");
  CProviderContextMap contexts;
  CMainFrameSystem system;
  std::vector<std::wstring> messages;
  std::vector<DWORD> sleeps;
  std::vector<std::wstring> commandLines;
  std::vector<HANDLE> startedHandles;
  bool processStarts = true;
  QUERY_USER_NOTIFICATION_STATE notificationState = QUNS_ACCEPTS_NOTIFICATIONS;
  bool ctrlAlt = false;
  int quits = 0;
  int listsMade = 0;
  std::function<INT_PTR()> listScript;
  std::vector<std::vector<UINT>> wizards;
};

TEST_F(MainFrameTest, HiddenWindowFoundByTitleWithIconMenuAndNoAccountTip) {
  settings->ShowRestart = false;
  settings->ShowExit = true;
  settings->ShowLogoutAll = false;
  auto frame = Frame();
  HWND window = ui_test::FindOwnWindow(CMainFrame::kTitle);
  EXPECT_EQ(window, frame->Handle());
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & 0x00CF8000u, 0x00CF8000u);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_TRUE(frame->TrayIcon().IsAdded());
  EXPECT_TRUE(sleeps.empty());

  wchar_t title[64] = {};
  GetWindowTextW(frame->TrayIcon().Handle(), title, 64);
  EXPECT_STREQ(title, L"luma-Pass V");
  HMENU popup = frame->TrayIcon().GetPopup();
  EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), static_cast<UINT>(ID_ACCOUNTS));
  EXPECT_EQ(GetMenuState(popup, ID_RESTART, MF_BYCOMMAND), static_cast<UINT>(-1)) << "removed";
  EXPECT_EQ(GetMenuState(popup, ID_LOGOUT_ALL, MF_BYCOMMAND), static_cast<UINT>(-1)) << "removed";
  EXPECT_NE(GetMenuState(popup, ID_APP_EXIT, MF_BYCOMMAND), static_cast<UINT>(-1));

  EXPECT_EQ(LastTip(), L"No accounts configured");
  EXPECT_EQ(LastIcon(), frame->AttentionIcon());
  EXPECT_TRUE(Balloons().empty());
}

TEST_F(MainFrameTest, IconAddedOnALaterAttemptAfterTwoSecondWaits) {
  shell.failAdds = 2;
  auto frame = Frame();
  EXPECT_EQ(sleeps, (std::vector<DWORD>{2000, 2000}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainFrameTest, IconThatCannotBeAddedEndsStartAfter61AttemptsWithAMessage) {
  shell.failAdds = 61;
  CMainFrame frame(contexts, settings, host, system);
  EXPECT_FALSE(frame.Create());
  EXPECT_EQ(shell.Of(NIM_ADD).size(), 61u);
  EXPECT_EQ(sleeps.size(), 60u);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], L"Failed to create tray icon (0x000005B4). Unable to start application.");
  EXPECT_EQ(ui_test::FindOwnWindow(CTrayNotifyIcon::kHelperTitle), nullptr) << "no helper window left behind";
  EXPECT_EQ(ui_test::FindOwnWindow(CMainFrame::kTitle), nullptr);
}

TEST_F(MainFrameTest, TooltipListsTheEnabledCertificatesWithTheNormalIcon) {
  acme->AddPolicy(MakeAccount(L"alice", 30, {L"A", L"B"}), false);
  auto frame = Frame();
  EXPECT_EQ(LastTip(), L"Available certificates:\n\u25AA A\n\u25AA B");
  EXPECT_EQ(LastIcon(), frame->NormalIcon());
}

TEST_F(MainFrameTest, OutdatedAccountShowsTheWarningLineAndAttentionIcon) {
  acme->AddPolicy(MakeAccount(L"alice", -3, {L"A"}), false);
  settings->NotifyRefreshDaysBefore = 7;
  auto frame = Frame();
  EXPECT_EQ(LastTip(), L"Available certificates:\n\u25AA None\n\u26A0 Account refresh required");
  EXPECT_EQ(LastIcon(), frame->AttentionIcon());
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_EQ(Balloons()[0].data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
  EXPECT_STREQ(Balloons()[0].data.szInfo, L"Account refresh required");
}

TEST_F(MainFrameTest, HourlyTimerShowsTheRefreshReminder) {
  acme->AddPolicy(MakeAccount(L"alice", 3, {L"A"}), false);
  auto frame = Frame();
  EXPECT_TRUE(Balloons().empty()) << "reminders are off";
  settings->NotifyRefreshDaysBefore = 7;
  SendMessageW(frame->Handle(), WM_TIMER, CMainFrame::kTimerId, 0);
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_STREQ(Balloons()[0].data.szInfo, L"Account refresh required within 3 days");
  EXPECT_STREQ(Balloons()[0].data.szInfoTitle, L"luma-Pass V");
  EXPECT_EQ(Balloons()[0].data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(Balloons()[0].data.uTimeout, 0u);

  notificationState = QUNS_BUSY;  // the user is presenting: no balloon
  SendMessageW(frame->Handle(), WM_TIMER, CMainFrame::kTimerId, 0);
  EXPECT_EQ(Balloons().size(), 1u);
}

// Policy changes on other threads only post; the icon changes on the frame's thread, once for a
// burst of changes.
TEST_F(MainFrameTest, PolicyChangesOnOtherThreadsUpdateTheIconOnTheMainThread) {
  auto frame = Frame();
  const size_t callsBefore = shell.calls.size();
  const size_t modifiesBefore = shell.Of(NIM_MODIFY).size();
  std::thread worker([this] {
    acme->AddPolicy(MakeAccount(L"alice", 30, {L"A"}), false);
    acme->AddPolicy(MakeAccount(L"bob", 30, {L"B"}), false);
  });
  worker.join();
  EXPECT_EQ(shell.calls.size(), callsBefore) << "nothing changed off the main thread";
  Pump();
  EXPECT_EQ(LastTip(), L"Available certificates:\n\u25AA A\n\u25AA B");
  EXPECT_EQ(shell.Of(NIM_MODIFY).size() - modifiesBefore, 2u)
      << "one tip and one icon update for both changes";
}

UINT g_listRefreshes = 0;
UINT g_listCloses = 0;

LRESULT CALLBACK CountingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CMainFrame::PolicyInformationUpdatedMessage()) ++g_listRefreshes;
  if (message == WM_CLOSE) {
    ++g_listCloses;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A list with a window of its own that counts the refresh messages while body runs.
class CWindowedList : public CAccountListDialog {
 public:
  CWindowedList(HWND parent, const CProviderContextMap& map, std::function<void()> body)
      : CAccountListDialog(parent, map), run(std::move(body)) {}
  void SetBusy(bool value) { busy = value; }
  INT_PTR DoModal(HWND) override {
    m_hWnd = CreateWindowExW(0, L"STATIC", L"list", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingListProc));
    run();
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return IDOK;
  }

 private:
  std::function<void()> run;
};

// While the list shows a dialog of its own a click brings that dialog forward; otherwise it closes
// the list.
TEST_F(MainFrameTest, ClickWhileTheListIsBusyKeepsItOpen) {
  g_listCloses = 0;
  UINT closesWhileBusy = 99;
  CWindowedList* open = nullptr;
  std::unique_ptr<CMainFrame> frame;
  system.makeAccountList = [&](HWND parent,
                               const CProviderContextMap& map) -> std::unique_ptr<CAccountListDialog> {
    auto list = std::make_unique<CWindowedList>(parent, map, [&] {
      open->SetBusy(true);
      SendMessageW(frame->Handle(), CTrayNotifyIcon::kCallbackMessage, 119, WM_LBUTTONDOWN);
      Pump();
      closesWhileBusy = g_listCloses;
      open->SetBusy(false);
      SendMessageW(frame->Handle(), CTrayNotifyIcon::kCallbackMessage, 119, WM_LBUTTONDOWN);
      Pump();
    });
    open = list.get();
    return list;
  };
  frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  EXPECT_EQ(closesWhileBusy, 0u);
  EXPECT_EQ(g_listCloses, 1u);
  EXPECT_TRUE(frame->IsIdle());
}

TEST_F(MainFrameTest, PolicyChangeReachesTheOpenAccountList) {
  g_listRefreshes = 0;
  system.makeAccountList = [this](HWND parent,
                                  const CProviderContextMap& map) -> std::unique_ptr<CAccountListDialog> {
    return std::make_unique<CWindowedList>(parent, map, [this] {
      std::thread([this] { acme->AddPolicy(MakeAccount(L"carol", 30, {L"C"}), false); }).join();
      Pump();
    });
  };
  auto frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  EXPECT_EQ(g_listRefreshes, 1u);
  EXPECT_EQ(LastTip(), L"Available certificates:\n\u25AA C");
}

struct CopyDataCase {
  const char* name;
  bool nullStruct;
  bool nullData;
  DWORD bytes;
  bool terminated;
};

// Whatever another process sends, nothing is read beyond the given size and nothing is done.
TEST_F(MainFrameTest, MalformedProtocolRequestsAreRefusedUnread) {
  auto frame = Frame();
  const CopyDataCase cases[] = {
      {"no structure", true, false, 0, true},
      {"no data", false, true, 20, true},
      {"empty", false, false, 0, true},
      {"one byte", false, false, 1, true},
      {"odd size", false, false, 7, true},
      {"no terminator", false, false, 16, false},
      {"too large", false, false, static_cast<DWORD>((kMaxProtocolUrlLength + 2) * sizeof(wchar_t)), true},
  };
  std::vector<wchar_t> buffer(kMaxProtocolUrlLength + 2, L'x');
  const std::wstring url = L"lumapassv://add/ACME";
  std::copy(url.begin(), url.end(), buffer.begin());
  for (const CopyDataCase& c : cases) {
    SCOPED_TRACE(c.name);
    // The text "lumapassv://add/ACME" without a terminator within the first 8 characters.
    COPYDATASTRUCT data = {0, c.bytes, c.nullData ? nullptr : buffer.data()};
    if (c.terminated && c.bytes >= 4 && c.bytes % 2 == 0) buffer[c.bytes / 2 - 1] = L'\0';
    EXPECT_EQ(CopyData(frame->Handle(), c.nullStruct ? nullptr : &data), FALSE);
    if (c.terminated && c.bytes >= 4 && c.bytes % 2 == 0) buffer[c.bytes / 2 - 1] = L'x';
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(wizards.empty());
  EXPECT_EQ(listsMade, 0);
}

TEST_F(MainFrameTest, AddRequestRunsTheWizardForTheProviderThenOpensTheAccountList) {
  listScript = [] { return static_cast<INT_PTR>(IDOK); };
  contexts[L"TOKENS"] = MakeProvider(L"TOKENS", 2);
  contexts[L"WEB"] = MakeProvider(L"WEB", 7);
  contexts[L"DOMAIN"] = MakeProvider(L"DOMAIN", 5, false);
  auto frame = Frame();
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://ADD/acme"), TRUE) << "action and provider ignore case";
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://add/TOKENS?x=1"), TRUE);
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://add/WEB"), TRUE);
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://add/Domain"), TRUE);
  ASSERT_EQ(wizards.size(), 4u);
  using Pages = std::vector<UINT>;
  EXPECT_EQ(wizards[0], (Pages{IDD_ADD_WIZ_FINISH})) << "a password provider: finish page only";
  EXPECT_EQ(wizards[1], (Pages{IDD_ADD_WIZ_OTP, IDD_ADD_WIZ_FINISH}));
  EXPECT_EQ(wizards[2], (Pages{IDD_ADD_WIZ_BROWSER, IDD_ADD_WIZ_FINISH}));
  EXPECT_EQ(wizards[3], (Pages{IDD_ADD_WIZ_CHECK, IDD_ADD_WIZ_FINISH}));
  EXPECT_EQ(listsMade, 4);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainFrameTest, OtherActionsAndUnknownProvidersAreAnsweredWithAMessage) {
  auto frame = Frame();
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://remove/ACME"), FALSE);
  EXPECT_EQ(SendUrl(frame->Handle(), L"lumapassv://add/NOBODY"), FALSE);
  EXPECT_EQ(SendUrl(frame->Handle(), L"not a url"), FALSE);
  EXPECT_EQ(messages, (std::vector<std::wstring>{L"Unsupported operation request",
                                                 L"Provider for requested action unknown",
                                                 L"Unsupported operation request"}));
  EXPECT_TRUE(wizards.empty());
}

// A list that could not be shown must not leave the tray commands disabled for the rest of the run.
TEST_F(MainFrameTest, FailedAccountListReenablesTheTrayCommands) {
  listScript = [] { return static_cast<INT_PTR>(-1); };
  auto frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  EXPECT_TRUE(frame->IsIdle());
  EXPECT_EQ(frame->AccountList(), nullptr);
  SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  EXPECT_EQ(listsMade, 2);
  SendMessageW(frame->Handle(), WM_COMMAND, ID_APP_ABOUT, 0);
  EXPECT_EQ(host.about, 1);
}

TEST_F(MainFrameTest, TrayCommandsAreDisabledWhileTheListIsOpen) {
  std::unique_ptr<CMainFrame> frame;
  UINT aboutState = 0, accountsState = 0, exitState = 0;
  listScript = [&]() -> INT_PTR {
    EXPECT_FALSE(frame->IsIdle());
    SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
    SendMessageW(frame->Handle(), WM_COMMAND, ID_APP_ABOUT, 0);
    HMENU popup = frame->TrayIcon().GetPopup();
    SendMessageW(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    aboutState = GetMenuState(popup, ID_APP_ABOUT, MF_BYCOMMAND);
    accountsState = GetMenuState(popup, ID_ACCOUNTS, MF_BYCOMMAND);
    exitState = GetMenuState(popup, ID_APP_EXIT, MF_BYCOMMAND);
    return IDOK;
  };
  frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_ACCOUNTS, 0);
  EXPECT_EQ(listsMade, 1);
  EXPECT_EQ(host.about, 0);
  EXPECT_NE(aboutState & MF_GRAYED, 0u);
  EXPECT_NE(accountsState & MF_GRAYED, 0u);
  EXPECT_EQ(exitState & MF_GRAYED, 0u);
  EXPECT_TRUE(frame->IsIdle());
}

// The real list dialog: a click on the icon opens it, a second click closes it.
HWND g_clickTarget = nullptr;

void CALLBACK SecondClickTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(g_clickTarget, CTrayNotifyIcon::kCallbackMessage, 119, WM_LBUTTONDOWN);
}

TEST_F(MainFrameTest, ClickOpensTheAccountListAndASecondClickClosesIt) {
  auto frame = Frame();
  g_clickTarget = frame->Handle();
  // The second click comes while the list runs its own loop.
  SetTimer(nullptr, 0, 300, &SecondClickTimer);
  EXPECT_EQ(SendMessageW(g_clickTarget, CTrayNotifyIcon::kCallbackMessage, 119, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(listsMade, 0) << "the click posts the Accounts command";
  Pump();
  EXPECT_EQ(listsMade, 1);
  EXPECT_TRUE(frame->IsIdle());
  EXPECT_EQ(frame->AccountList(), nullptr);
}

TEST_F(MainFrameTest, CloseWhileTheListIsOpenEndsTheListThenTheFrame) {
  auto frame = Frame();
  HWND window = frame->Handle();
  PostMessageW(window, WM_COMMAND, ID_ACCOUNTS, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);  // as a second instance started with --stop sends it
  Pump();
  EXPECT_EQ(listsMade, 1);
  EXPECT_TRUE(frame->IsCloseRequested());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(quits, 1);
}

TEST_F(MainFrameTest, ExitCommandDestroysTheFrameAndEndsTheLoop) {
  auto frame = Frame();
  HWND window = frame->Handle();
  SendMessageW(window, WM_COMMAND, ID_APP_EXIT, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(quits, 1);
  // A destroyed frame no longer observes the providers.
  acme->AddPolicy(MakeAccount(L"late", 30, {L"L"}), false);
}

TEST_F(MainFrameTest, RestartStartsTheProgramWithTheRestartOptionAndClosesItsHandles) {
  auto frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_RESTART, 0);
  ASSERT_EQ(commandLines.size(), 1u);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  PathQuoteSpacesW(path);
  EXPECT_EQ(commandLines[0], std::wstring(path) + L" --restart");
  ASSERT_EQ(startedHandles.size(), 2u);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(startedHandles[0], &flags)) << "process handle closed";
  EXPECT_FALSE(GetHandleInformation(startedHandles[1], &flags)) << "thread handle closed";
}

TEST_F(MainFrameTest, FailedRestartChangesNothing) {
  processStarts = false;
  auto frame = Frame();
  SendMessageW(frame->Handle(), WM_COMMAND, ID_RESTART, 0);
  EXPECT_EQ(commandLines.size(), 1u);
  EXPECT_TRUE(IsWindow(frame->Handle()));
}

TEST_F(MainFrameTest, CtrlAltClickRestarts) {
  auto frame = Frame();
  ctrlAlt = true;
  EXPECT_EQ(SendMessageW(frame->Handle(), CTrayNotifyIcon::kCallbackMessage, 119, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(commandLines.size(), 1u);
  Pump();
  EXPECT_EQ(listsMade, 0);
}

TEST_F(MainFrameTest, SessionChangesSwitchSessionsAndLockLogsOut) {
  settings->LogoutOnLock = true;
  auto frame = Frame();
  acme->AddPolicy(MakeAccount(L"alice", 30, {L"A"}), false);
  const CSecureBuffer token(4, "tokn");
  ASSERT_TRUE(acme->tokenCache.StoreToken(L"ACME/alice", token));
  HWND window = frame->Handle();
  SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1);
  SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, 1);
  EXPECT_EQ(host.console, 1);
  EXPECT_EQ(host.remote, 1);
  EXPECT_TRUE(acme->tokenCache.HasToken(L"ACME/alice"));
  SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
  EXPECT_FALSE(acme->tokenCache.HasToken(L"ACME/alice"));
}

TEST_F(MainFrameTest, LockKeepsTheSessionWithoutTheSetting) {
  settings->LogoutOnLock = false;
  auto frame = Frame();
  acme->AddPolicy(MakeAccount(L"alice", 30, {L"A"}), false);
  const CSecureBuffer token(4, "tokn");
  ASSERT_TRUE(acme->tokenCache.StoreToken(L"ACME/alice", token));
  SendMessageW(frame->Handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
  EXPECT_TRUE(acme->tokenCache.HasToken(L"ACME/alice"));
}

TEST_F(MainFrameTest, LogoutAllCommandDropsTheTokens) {
  settings->ShowLogoutAll = true;
  auto frame = Frame();
  acme->AddPolicy(MakeAccount(L"alice", 30, {L"A"}), false);
  const CSecureBuffer token(4, "tokn");
  ASSERT_TRUE(acme->tokenCache.StoreToken(L"ACME/alice", token));
  SendMessageW(frame->Handle(), WM_COMMAND, ID_LOGOUT_ALL, 0);
  EXPECT_FALSE(acme->tokenCache.HasToken(L"ACME/alice"));
}

TEST_F(MainFrameTest, EndOfSessionEndsTheLoop) {
  auto frame = Frame();
  EXPECT_EQ(SendMessageW(frame->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(quits, 1);
}

bool g_menuSeen = false;
bool g_menuSaved = false;

void CALLBACK MenuScreenshotTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND menu = FindWindowW(L"#32768", nullptr);
  g_menuSeen = menu != nullptr && IsWindowVisible(menu);
  if (g_menuSeen) {
    UpdateWindow(menu);
    RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    g_menuSaved = ui_test::SaveWindowPicture(menu, L"tray_menu.png");
  }
  EndMenu();
}

// The tray menu as the user sees it after a right-click, kept as a picture.
TEST_F(MainFrameTest, RightClickShowsTheTrayMenuPicture) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no display: pictures are taken under Xvfb";
  settings->ShowRestart = true;
  auto frame = Frame();
  SetCursorPos(400, 300);
  g_menuSaved = g_menuSeen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, &MenuScreenshotTimer);
  ASSERT_NE(timer, 0u);
  SendMessageW(frame->Handle(), CTrayNotifyIcon::kCallbackMessage, 119, WM_RBUTTONUP);
  EXPECT_TRUE(g_menuSeen);
  EXPECT_TRUE(g_menuSaved) << "no screenshot of the menu";
  Pump();
}

}  // namespace
}  // namespace ui
}  // namespace luma
