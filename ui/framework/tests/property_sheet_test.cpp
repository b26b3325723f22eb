#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "ui/framework/base_property_sheet.h"
#include "ui/framework/dialog.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/testing/dialog_driver.h"

namespace luma::ui {
namespace {

using ui_test::CCountedParameter;
using ui_test::CCountedResult;
using ui_test::CDialogDriver;
using ui_test::CTestInfoPage;
using ui_test::CTestLoginPage;

constexpr const wchar_t* kCaption = L"luma-Pass V - Test Login";

std::wstring Text(const CSecureBuffer& buffer) {
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data), buffer.size / sizeof(wchar_t));
}

// Waits (pumping this thread) until every worker run has ended.
bool WaitForWorkers() {
  const DWORD start = GetTickCount();
  while (CApplyWorkerRun::LiveCount() != 0) {
    if (GetTickCount() - start > 10000) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(5);
  }
  return true;
}

class CEvent {
 public:
  CEvent() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~CEvent() { CloseHandle(handle); }
  void Set() const { SetEvent(handle); }
  bool Wait(DWORD ms = 10000) const { return WaitForSingleObject(handle, ms) == WAIT_OBJECT_0; }

 private:
  HANDLE handle;
};

class PropertySheetTest : public ::testing::Test {
 protected:
  PropertySheetTest() {
    login = std::make_shared<CTestLoginPage>();
    sheet.AddPage(login);
    sheet.AddPage(std::make_shared<CTestInfoPage>());
  }
  ~PropertySheetTest() override { EXPECT_TRUE(WaitForWorkers()) << "a worker never ended"; }

  // A worker that waits for `release`, then answers with the password it was given.
  ApplyWorkerFunction WaitingWorker(const CEvent& release) {
    return [this, &release](CApplyWorkerParameter* parameter, volatile LONG* cancelled) {
      workerThread = GetCurrentThreadId();
      release.Wait();
      seenCancelled = *cancelled;
      auto result = std::make_unique<CCountedResult>(login->resultsDestroyed);
      result->message = L"checked " + Text(static_cast<CCountedParameter*>(parameter)->password);
      return std::unique_ptr<CApplyWorkerResult>(std::move(result));
    };
  }

  CDialogDriver driver;
  CBasePropertySheet sheet{nullptr, IDS_TEST_SHEET_CAPTION};
  std::shared_ptr<CTestLoginPage> login;
  std::atomic<DWORD> workerThread{0};
  std::atomic<LONG> seenCancelled{-1};
};

// OK starts the page's worker once, however often it is pressed; the sheet is busy meanwhile; the
// result comes back on the dialog's thread and the page ends the dialog from its handler.
TEST_F(PropertySheetTest, OkRunsOneWorkerWhoseResultEndsTheSheet) {
  CEvent release;
  login->worker = WaitingWorker(release);
  std::wstring completedWith;
  login->onComplete = [&](CTestLoginPage& page, CCountedParameter* parameter, CCountedResult* result) {
    EXPECT_EQ(Text(parameter->password), L"s3cret");
    completedWith = result != nullptr ? result->message : L"<null>";
    page.Sheet()->PostEndDialog(IDOK);
  };
  bool busy = false, okEnabled = true, cancelEnabled = false;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Type(CDialogDriver::Control(window, IDC_TEST_PASSWORD), L"s3cret");
    PostMessageW(window, WM_COMMAND, IDOK, 0);  // Enter twice, quickly
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    d.Settle();
    d.OnDialogThread([&] {
      busy = sheet.IsBusy();
      okEnabled = IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE;
      cancelEnabled = IsWindowEnabled(GetDlgItem(window, IDCANCEL)) != FALSE;
    });
    release.Set();
  });
  const INT_PTR result = sheet.DoModal();
  driver.Join();
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(busy);
  EXPECT_FALSE(okEnabled);
  EXPECT_TRUE(cancelEnabled) << "a cancellable worker leaves Cancel usable";
  EXPECT_EQ(login->workersStarted.load(), 1) << "the second OK is ignored while the worker runs";
  EXPECT_EQ(login->completions.load(), 1);
  EXPECT_EQ(completedWith, L"checked s3cret");
  EXPECT_EQ(login->completionThread, GetCurrentThreadId());
  EXPECT_NE(workerThread.load(), GetCurrentThreadId());
  EXPECT_TRUE(WaitForWorkers());
  EXPECT_EQ(login->parametersDestroyed.load(), 1);
  EXPECT_EQ(login->resultsDestroyed.load(), 1);
}

// Cancel while the worker runs ends the dialog at once; the worker finishes later, its result is
// deleted unseen and nothing is sent to the window that is gone.
TEST_F(PropertySheetTest, CancelWhileTheWorkerRunsDropsItsResult) {
  CEvent release;
  login->worker = WaitingWorker(release);
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Click(GetDlgItem(window, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return sheet.IsBusy(); }));
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  const INT_PTR result = sheet.DoModal();
  driver.Join();
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(login->GetSafeHwnd(), nullptr) << "the page's window is gone";
  release.Set();
  EXPECT_TRUE(WaitForWorkers());
  EXPECT_EQ(seenCancelled.load(), 1) << "the worker can see that it was cancelled";
  EXPECT_EQ(login->completions.load(), 0);
  EXPECT_EQ(login->resultsDestroyed.load(), 1);
  EXPECT_EQ(login->parametersDestroyed.load(), 1);
}

// A dialog that ends by itself while a worker runs (the authentication's automatic cancel ends it
// without Cancel): the page's window goes, and the worker's result is dropped when it finishes.
TEST_F(PropertySheetTest, DialogEndedWithoutCancelDropsTheRunningWorkersResult) {
  CEvent release;
  login->worker = WaitingWorker(release);
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Click(GetDlgItem(window, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return sheet.IsBusy(); }));
    d.OnDialogThread([&] { sheet.PostEndDialog(IDCANCEL); });
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  driver.Join();
  release.Set();
  EXPECT_TRUE(WaitForWorkers());
  EXPECT_EQ(seenCancelled.load(), 1) << "the page's window went: the run counts as cancelled";
  EXPECT_EQ(login->completions.load(), 0);
  EXPECT_EQ(login->resultsDestroyed.load(), 1);
  EXPECT_EQ(login->parametersDestroyed.load(), 1);
}

// A worker that may not be cancelled disables Cancel: the close box, Alt+F4's command and Esc do
// nothing until it is done; then the close box cancels as usual.
TEST_F(PropertySheetTest, CloseBoxAndEscAreIgnoredWhileCancelIsDisabled) {
  CEvent release;
  login->worker = WaitingWorker(release);
  login->cancellable = false;
  bool openWhileBusy = false, cancelEnabled = true;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND password = CDialogDriver::Control(window, IDC_TEST_PASSWORD);
    d.Click(GetDlgItem(window, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return sheet.IsBusy(); }));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    d.Key(password, VK_ESCAPE);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    d.Settle();
    d.OnDialogThread([&] {
      openWhileBusy = IsWindowVisible(window) && sheet.GetActivePage() == login.get();
      cancelEnabled = IsWindowEnabled(GetDlgItem(window, IDCANCEL)) != FALSE;
    });
    release.Set();
    ASSERT_TRUE(d.WaitUntil([&] { return !sheet.IsBusy(); }));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  const INT_PTR result = sheet.DoModal();
  driver.Join();
  EXPECT_TRUE(openWhileBusy);
  EXPECT_FALSE(cancelEnabled);
  EXPECT_EQ(login->completions.load(), 1);
  EXPECT_EQ(result, IDCANCEL);
}

// The look the base sheet gives every dialog, as a sheet and as a wizard (the add-account wizard of the
// main frame): no tabs and no wizard divider, a caption from the string table, on top with a caption
// and system menu, the scaled "Segoe UI" font, white page over a grey band under a thin line; a control
// the template lacks is skipped.
TEST(SheetLookTest, SheetAndWizardLookAsDesignedAndSkipAMissingControl) {
  for (bool wizard : {false, true}) {
    SCOPED_TRACE(wizard ? "wizard" : "sheet");
    CBasePropertySheet sheet(nullptr, IDS_TEST_SHEET_CAPTION, 0);
    if (wizard) sheet.m_psh.dwFlags |= PSH_WIZARD;
    auto login = std::make_shared<CTestLoginPage>();
    sheet.AddPage(login);
    sheet.AddPage(std::make_shared<CTestInfoPage>());
    struct Look {
      std::wstring title, face;
      bool tabsVisible = true, dividerVisible = true, topmost = false, captioned = false, logoBound = true;
      HWND logoWindow = reinterpret_cast<HWND>(1);
      LONG fontHeight = 0;
      int expectedHeight = 0;
      COLORREF page = 0, band = 0, separator = 0;
    } look;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption);
      ASSERT_NE(window, nullptr);
      d.OnDialogThread([&] {
        look.title = WindowText(window);
        HWND tabs = PropSheet_GetTabControl(window);
        look.tabsVisible = tabs != nullptr && IsWindowVisible(tabs) != FALSE;
        HWND divider = GetDlgItem(window, kWizardDividerId);
        look.dividerVisible = divider != nullptr && IsWindowVisible(divider) != FALSE;
        look.topmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        look.captioned =
            (GetWindowLongPtrW(window, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU);
        look.logoBound = login->logoBound;
        look.logoWindow = login->logo.Handle();
        LOGFONTW font = {};
        HWND password = CDialogDriver::Control(window, IDC_TEST_PASSWORD);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(password, WM_GETFONT, 0, 0)), sizeof(font), &font);
        look.face = font.lfFaceName;
        look.fontHeight = font.lfHeight;
        look.expectedHeight = ScaledFontHeight(sheet.Dpi(), 9);
        // The background as the sheet erases it, drawn into a bitmap of the client area's size.
        RECT client = {};
        GetClientRect(window, &client);
        CWindowDc screen(nullptr);
        CMemoryDcHandle memory(CreateCompatibleDC(screen.get()));
        CBitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        CSelectObject selected(memory.get(), bitmap.get());
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        const RECT& band = sheet.BandRect();
        look.page = GetPixel(memory.get(), client.right / 2, band.top / 2);
        look.separator = GetPixel(memory.get(), client.right / 2, band.top);
        look.band = GetPixel(memory.get(), 3, (band.top + band.bottom) / 2);
      });
      d.Click(GetDlgItem(window, IDCANCEL));
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    driver.Join();
    EXPECT_EQ(look.title, kCaption);
    EXPECT_FALSE(look.tabsVisible);
    EXPECT_FALSE(look.dividerVisible);
    EXPECT_TRUE(look.topmost);
    EXPECT_TRUE(look.captioned);
    EXPECT_FALSE(look.logoBound);
    EXPECT_EQ(look.logoWindow, nullptr);
    EXPECT_EQ(look.face, L"Segoe UI");
    EXPECT_EQ(look.fontHeight, look.expectedHeight);
    EXPECT_EQ(look.page, RGB(255, 255, 255));
    EXPECT_EQ(look.separator, RGB(223, 223, 223));
    EXPECT_EQ(look.band, RGB(240, 240, 240));
  }
}

TEST(DialogTemplateTest, TemplatesThatDoNotExistGiveMinusOne) {
  CBasePropertySheet sheet(nullptr, IDS_TEST_SHEET_CAPTION);
  sheet.AddPage(std::make_shared<CBasePropertyPage>(IDD_TEST_MISSING, 0));
  EXPECT_EQ(sheet.DoModal(), -1);
  EXPECT_EQ(sheet.GetSafeHwnd(), nullptr);

  CDialog dialog(IDD_TEST_MISSING);
  EXPECT_EQ(dialog.DoModal(), -1);

  CBasePropertySheet empty(nullptr, IDS_TEST_SHEET_CAPTION);
  EXPECT_EQ(empty.DoModal(), -1) << "a sheet without pages";
}

}  // namespace
}  // namespace luma::ui
