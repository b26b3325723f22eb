// The login browser's frame window: its place over the owner, its progress bar, and its closing,
// which tells the handler once while the frame still exists, by hand or by its timer.
#include <gtest/gtest.h>

#include "ui/browser/browser_frame_wnd.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>

#include "ui/browser/tests/recording_handler.h"
#include "ui/framework/app_window.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using testing::CRecordingHandler;

class BrowserFrameTest : public ::testing::Test {
 protected:
  class COwner : public CAppWindow {};

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(owner.Create(L"Owner", WS_POPUP | WS_CAPTION | WS_VISIBLE));
    SetWindowPos(owner.Handle(), nullptr, 200, 150, 400, 300, SWP_NOZORDER);
    handler = std::make_shared<CRecordingHandler>();
  }
  void TearDown() override {
    owner.Destroy();
    CoUninitialize();
  }
  std::unique_ptr<CBrowserFrameWnd> Frame() {
    auto frame = std::make_unique<CBrowserFrameWnd>(owner.Handle(), L"Example Trust Services - Login",
                                                    handler, CBrowserFrameSize());
    handler->frame = frame->Handle();
    return frame;
  }
  static void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
  }

  COwner owner;
  std::shared_ptr<CRecordingHandler> handler;
};

TEST_F(BrowserFrameTest, SitsCentredOverItsOwnerWithTheBrowserOverItsClientArea) {
  auto frame = Frame();
  ASSERT_NE(nullptr, frame->Handle());
  const LONG units = GetDialogBaseUnits();
  RECT rect = {};
  GetWindowRect(frame->Handle(), &rect);
  const RECT expected = CBrowserFrameWnd::PlacementFor(owner.Handle(), CBrowserFrameSize());
  EXPECT_EQ(expected.left, rect.left);
  EXPECT_EQ(expected.top, rect.top);
  EXPECT_EQ(70 * LOWORD(units), rect.right - rect.left);
  EXPECT_EQ(50 * HIWORD(units), rect.bottom - rect.top);
  EXPECT_EQ(owner.Handle(), GetWindow(frame->Handle(), GW_OWNER));
  EXPECT_EQ(WS_POPUP | WS_CAPTION | WS_SYSMENU,
            GetWindowLongPtrW(frame->Handle(), GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CHILD));
  ASSERT_NE(nullptr, frame->Control());
  HWND browser = frame->Control()->Window();
  ASSERT_NE(nullptr, browser);
  ShowWindow(frame->Handle(), SW_SHOW);
  RECT client = {};
  GetClientRect(frame->Handle(), &client);
  RECT browserRect = {};
  GetClientRect(browser, &browserRect);
  EXPECT_EQ(client.right, browserRect.right);
  EXPECT_EQ(client.bottom, browserRect.bottom);
  if (ui_test::HasDisplay()) {
    SendMessageW(frame->Handle(), WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(frame->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(ui_test::SaveWindowPicture(frame->Handle(), L"browser_frame.png"));
  }
}

TEST_F(BrowserFrameTest, ProgressBarIsHiddenUntilADownloadBeginsAndAbsentWhenDisabled) {
  auto frame = Frame();
  HWND bar = frame->ProgressBar();
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(bar, handler->progressWindow);
  EXPECT_EQ(CBrowserFrameWnd::kProgressBarId, GetDlgCtrlID(bar));
  EXPECT_FALSE(IsWindowVisible(bar));
  ShowWindow(frame->Handle(), SW_SHOW);
  handler->OnDownloadBegin();
  Pump(50);
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_EQ(1, SendMessageW(bar, PBM_GETPOS, 0, 0));
  handler->OnProgressChange(30, 60);
  Pump(50);
  EXPECT_EQ(50, SendMessageW(bar, PBM_GETPOS, 0, 0));
  handler->OnDownloadComplete();
  Pump(50);
  EXPECT_FALSE(IsWindowVisible(bar));

  frame.reset();
  handler = std::make_shared<CRecordingHandler>();
  handler->progressBar = false;
  auto plain = Frame();
  EXPECT_EQ(nullptr, plain->ProgressBar());
  EXPECT_EQ(nullptr, handler->progressWindow);
  handler->OnDownloadBegin();  // nothing to show: nothing happens
}

TEST_F(BrowserFrameTest, ClosingTellsTheHandlerOnceWhileTheFrameStillExists) {
  auto frame = Frame();
  HWND window = frame->Handle();
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1, handler->closed);
  EXPECT_TRUE(handler->frameAliveAtClose);
  frame.reset();
  EXPECT_EQ(1, handler->closed);
}

TEST_F(BrowserFrameTest, AnyTimerClosesTheFrame) {
  auto frame = Frame();
  HWND window = frame->Handle();
  SetTimer(window, CBrowserFrameWnd::kAutoCloseTimerId, 20, nullptr);
  const DWORD start = GetTickCount();
  while (IsWindow(window) && GetTickCount() - start < 3000) Pump(20);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1, handler->closed);
}

TEST_F(BrowserFrameTest, OwnerDestroyedWithTheFrameOpenTellsTheHandlerOnce) {
  auto frame = Frame();
  HWND window = frame->Handle();
  owner.Destroy();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(1, handler->closed);
  frame.reset();
  EXPECT_EQ(1, handler->closed);
}

}  // namespace
}  // namespace luma::ui
