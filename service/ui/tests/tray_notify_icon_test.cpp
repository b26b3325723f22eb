#include "service/ui/tray_notify_icon.h"

#include <gtest/gtest.h>

#include "foundation/win/resource_string.h"
#include "service/ui/tests/ui_test_support.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

using ui_test::CRecordingShell;

// A window that counts the commands it receives, as the frame would get them.
class CCommandSink : public CAppWindow {
 public:
  CCommandSink() { Create(L"sink", WS_OVERLAPPEDWINDOW); }
  std::vector<UINT> commands;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    return CAppWindow::WindowProc(message, wParam, lParam);
  }
};

class TrayNotifyIconTest : public ::testing::Test {
 protected:
  HICON Icon() { return LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)); }
  CRecordingShell shell;
  CCommandSink sink;
};

TEST_F(TrayNotifyIconTest, CreateAddsTheIconWithItsParametersAndVersion) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"luma-Pass V", Icon()));
  ASSERT_EQ(shell.calls.size(), 2u);
  const NOTIFYICONDATAW& added = shell.calls[0].data;
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(added.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(added.hWnd, sink.Handle());
  EXPECT_EQ(added.uID, 119u);
  EXPECT_EQ(added.uFlags, 7u);
  EXPECT_EQ(added.uCallbackMessage, 0x464u);
  EXPECT_EQ(added.hIcon, Icon());
  EXPECT_STREQ(added.szTip, L"luma-Pass V");
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_EQ(shell.calls[1].data.uVersion, 3u);
  EXPECT_TRUE(icon.IsAdded());

  wchar_t title[64] = {};
  GetWindowTextW(icon.Handle(), title, 64);
  EXPECT_STREQ(title, L"CTrayNotifyIcon Helper Window");
  EXPECT_FALSE(IsWindowVisible(icon.Handle()));
}

TEST_F(TrayNotifyIconTest, MenuHoldsTheTrayCommandsInOrder) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  HMENU popup = icon.GetPopup();
  ASSERT_NE(popup, nullptr);
  const UINT expected[] = {ID_APP_ABOUT, 0, ID_LOGOUT_ALL, ID_ACCOUNTS, ID_RESTART, ID_APP_EXIT};
  ASSERT_EQ(GetMenuItemCount(popup), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(GetMenuItemID(popup, i), expected[i]) << i;
  wchar_t text[64] = {};
  GetMenuStringW(popup, ID_ACCOUNTS, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Accounts...");
}

TEST_F(TrayNotifyIconTest, GermanMenuAndTexts) {
  HRSRC german = FindResourceExW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(RT_MENU),
                                 MAKEINTRESOURCEW(IDR_TRAY_MENU), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  ASSERT_NE(german, nullptr);
  HMENU germanMenu = LoadMenuIndirectW(LockResource(LoadResource(GetModuleHandleW(nullptr), german)));
  ASSERT_NE(germanMenu, nullptr);
  wchar_t text[64] = {};
  GetMenuStringW(GetSubMenu(germanMenu, 0), ID_APP_ABOUT, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"\u00DCber luma-Pass V");
  GetMenuStringW(GetSubMenu(germanMenu, 0), ID_LOGOUT_ALL, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Alle Abmelden");
  DestroyMenu(germanMenu);

  const LANGID germanLanguage = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  EXPECT_EQ(LoadStringResource(GetModuleHandleW(nullptr), germanLanguage, IDS_ABOUT_CAPTION),
            L"\u00DCber luma-Pass V");
  EXPECT_EQ(LoadStringResource(GetModuleHandleW(nullptr), germanLanguage, 10080),
            L"Verf\u00FCgbare Zertifikate:");
  EXPECT_EQ(LoadStringResource(GetModuleHandleW(nullptr), 1033, 10080), L"Available certificates:");
}

TEST_F(TrayNotifyIconTest, TooltipOf200CharactersShowsItsFirst127) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), std::wstring(200, L'x'), Icon()));
  EXPECT_EQ(std::wstring(shell.calls[0].data.szTip), std::wstring(127, L'x'));
  icon.SetTooltip(std::wstring(300, L'y'));
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(shell.calls.back().data.uFlags, static_cast<UINT>(NIF_TIP));
  EXPECT_EQ(std::wstring(shell.calls.back().data.szTip), std::wstring(127, L'y'));
}

TEST_F(TrayNotifyIconTest, BalloonFillsItsFieldsWithoutTimeOut) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  icon.ShowBalloon(std::wstring(300, L'b'), std::wstring(80, L't'), NIIF_WARNING);
  const NOTIFYICONDATAW& data = shell.calls.back().data;
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(std::wstring(data.szInfo), std::wstring(255, L'b'));
  EXPECT_EQ(std::wstring(data.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(data.uTimeout, 0u);
  EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
}

// Every failed attempt gives back its menu and helper window, so that retries leak nothing.
TEST_F(TrayNotifyIconTest, FailedCreateLeavesNoMenuOrHelperWindow) {
  shell.failAdds = 3;
  CTrayNotifyIcon icon(shell);
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_FALSE(icon.Create(sink.Handle(), L"tip", Icon()));
    EXPECT_EQ(icon.Handle(), nullptr);
    EXPECT_EQ(icon.GetPopup(), nullptr);
    EXPECT_FALSE(icon.IsAdded());
    EXPECT_EQ(ui_test::FindOwnWindow(CTrayNotifyIcon::kHelperTitle), nullptr);
  }
  EXPECT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  EXPECT_NE(icon.Handle(), nullptr);
}

TEST_F(TrayNotifyIconTest, ModificationsAreSkippedWhileNotAdded) {
  shell.failAdds = 1;
  CTrayNotifyIcon icon(shell);
  EXPECT_FALSE(icon.Create(sink.Handle(), L"tip", Icon()));
  shell.calls.clear();
  icon.SetTooltip(L"other");
  icon.SetIcon(Icon());
  icon.ShowBalloon(L"b", L"t", NIIF_INFO);
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayNotifyIconTest, TaskbarRestartAddsTheIconAgainWithTipAndImage) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"first", Icon()));
  icon.SetTooltip(L"second");
  HICON other = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING));
  icon.SetIcon(other);
  shell.calls.clear();
  EXPECT_EQ(SendMessageW(icon.Handle(), CTrayNotifyIcon::TaskbarCreatedMessage(), 0, 0), 0);
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.calls[1].data.uFlags, 7u);
  EXPECT_STREQ(shell.calls[1].data.szTip, L"second");
  EXPECT_EQ(shell.calls[1].data.hIcon, other);
  EXPECT_TRUE(icon.IsAdded());
}

TEST_F(TrayNotifyIconTest, FailedReAddSkipsModificationsUntilTheNextRestart) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  shell.failAdds = 1;
  SendMessageW(icon.Handle(), CTrayNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_FALSE(icon.IsAdded());
  shell.calls.clear();
  icon.SetTooltip(L"later");
  EXPECT_TRUE(shell.calls.empty());
  SendMessageW(icon.Handle(), CTrayNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  ASSERT_EQ(shell.calls.size(), 1u) << "nothing to delete, one add";
  EXPECT_STREQ(shell.calls[0].data.szTip, L"later");
}

TEST_F(TrayNotifyIconTest, DoubleClickSendsTheDefaultCommand) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  icon.SetDefaultMenuItem();
  EXPECT_EQ(icon.OnTrayNotification(119, WM_LBUTTONDBLCLK), 1);
  ASSERT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(sink.commands[0], static_cast<UINT>(ID_ACCOUNTS));
}

TEST_F(TrayNotifyIconTest, DoubleClickBeforeSetDefaultRunsTheFirstItem) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  icon.OnTrayNotification(119, WM_LBUTTONDBLCLK);
  ASSERT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(sink.commands[0], static_cast<UINT>(ID_APP_ABOUT));
}

TEST_F(TrayNotifyIconTest, AnotherIconsNotificationDoesNothing) {
  CTrayNotifyIcon icon(shell);
  ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
  EXPECT_EQ(icon.OnTrayNotification(120, WM_LBUTTONDBLCLK), 0);
  EXPECT_EQ(icon.OnTrayNotification(120, WM_RBUTTONUP), 0);
  EXPECT_TRUE(sink.commands.empty());
  EXPECT_EQ(icon.OnTrayNotification(119, WM_MOUSEMOVE), 1);
}

TEST_F(TrayNotifyIconTest, DestructionDeletesTheIconAndClosesTheHelper) {
  HWND helper = nullptr;
  {
    CTrayNotifyIcon icon(shell);
    ASSERT_TRUE(icon.Create(sink.Handle(), L"tip", Icon()));
    helper = icon.Handle();
    shell.calls.clear();
  }
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.calls[0].data.uFlags, 0u);
  EXPECT_FALSE(IsWindow(helper));
}

}  // namespace
}  // namespace ui
}  // namespace luma
