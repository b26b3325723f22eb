#include "service/app/hidden_main_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "service/app/single_instance.h"
#include "service/ui/account_list_dialog.h"

namespace luma::app {
namespace {

COPYDATASTRUCT Block(const void* data, DWORD size) {
  COPYDATASTRUCT block = {};
  block.cbData = size;
  block.lpData = const_cast<void*>(data);
  return block;
}

TEST(CopyDataTextTest, ReadsUpToTheTerminatingZero) {
  const wchar_t url[] = L"lumapass:add\0rest";
  std::wstring text;
  COPYDATASTRUCT block = Block(url, sizeof url);
  ASSERT_TRUE(ReadCopyDataText(&block, text));
  EXPECT_EQ(L"lumapass:add", text);
}

TEST(CopyDataTextTest, RefusesMalformedBlocks) {
  const wchar_t url[] = L"abc";
  std::wstring text = L"unchanged";
  COPYDATASTRUCT noZero = Block(url, 3 * sizeof(wchar_t));
  COPYDATASTRUCT odd = Block(url, 3);
  COPYDATASTRUCT empty = Block(url, 0);
  COPYDATASTRUCT noData = Block(nullptr, 8);
  const std::wstring huge(kMaxProtocolUrlLength + 1, L'x');
  COPYDATASTRUCT tooLong = Block(huge.c_str(), static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));
  for (const COPYDATASTRUCT* block : {&noZero, &odd, &empty, &noData, &tooLong}) {
    EXPECT_FALSE(ReadCopyDataText(block, text));
  }
  EXPECT_FALSE(ReadCopyDataText(nullptr, text));
  EXPECT_EQ(L"unchanged", text);
}

// The shell as the test sees it: every icon call succeeds.
class CAcceptingShell : public ui::CShellNotify {
 public:
  BOOL NotifyIcon(DWORD, NOTIFYICONDATAW*) override { return TRUE; }
};

class CQuietHost : public ui::CMainFrameHost {
 public:
  void OnAppAbout() override {}
  void SwitchToConsoleSession() override {}
  void SwitchToRemoteSession() override {}
};

TEST(HiddenMainWindowTest, ReceivesTheProtocolUrlAndTheAccountListCommandAndEndsTheLoopWhenClosed) {
  CAcceptingShell shell;
  CQuietHost host;
  ui::CMainFrameSystem system;
  system.shell = &shell;
  std::vector<std::wstring> messages;
  system.messageBox = [&](HWND, const std::wstring& text, const std::wstring&, UINT) {
    messages.push_back(text);
    return IDOK;
  };
  int accountListRequests = 0;
  system.makeAccountList = [&](HWND,
                               const ui::CProviderContextMap&) -> std::unique_ptr<ui::CAccountListDialog> {
    ++accountListRequests;
    return nullptr;
  };
  ui::CMainFrame window({}, std::make_shared<CLumaPassVConfig>(), host, system);
  ASSERT_TRUE(window.Create());
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  wchar_t title[128] = {};  // a second instance finds it by this title
  GetWindowTextW(window.Handle(), title, 128);
  EXPECT_STREQ(kMainWindowTitle, title);

  EXPECT_EQ(FALSE, SendProtocolUrl(window.Handle(), L"lumapass://add/TEST"));
  EXPECT_EQ(std::vector<std::wstring>{L"Provider for requested action unknown"}, messages);
  SendMessageW(window.Handle(), WM_COMMAND, kOpenAccountListCommand, 0);
  EXPECT_EQ(1, accountListRequests);

  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(nullptr, window.Handle());
  MSG message = {};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(0u, message.wParam);
}

TEST(SingleInstanceTest, MutexNameCarriesTheSid) {
  EXPECT_EQ(L"Global\\{89CEB7CD-D51C-4824-A903-F0E002BF48F3}-{S-1-5-21-0-0-0-1000}",
            BuildInstanceMutexName(L"S-1-5-21-0-0-0-1000"));
}

}  // namespace
}  // namespace luma::app
