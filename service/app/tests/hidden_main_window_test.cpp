#include "service/app/hidden_main_window.h"

#include <gtest/gtest.h>

#include <string>

#include "service/app/single_instance.h"

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

TEST(HiddenMainWindowTest, ReceivesTheProtocolUrlAndTheAccountListCommandAndEndsTheLoopWhenClosed) {
  CHiddenMainWindow window;
  std::wstring received;
  int accountListRequests = 0;
  window.onProtocolUrl = [&](const std::wstring& url) { received = url; };
  window.onOpenAccountList = [&] { ++accountListRequests; };
  ASSERT_TRUE(window.CreateHidden());
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  EXPECT_EQ(window.Handle(), FindWindowW(nullptr, kMainWindowTitle));

  EXPECT_EQ(TRUE, SendProtocolUrl(window.Handle(), L"lumapass:open?provider=TEST"));
  EXPECT_EQ(L"lumapass:open?provider=TEST", received);
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
