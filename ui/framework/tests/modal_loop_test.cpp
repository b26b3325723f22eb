#include <gtest/gtest.h>

#include <string>

#include "ui/framework/base_property_sheet.h"
#include "ui/framework/dialog.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/testing/dialog_driver.h"

namespace luma::ui {
namespace {

using ui_test::CDialogDriver;

constexpr const wchar_t* kCaption = L"luma-Pass V - Test Login";

// A popup with two fields: OK keeps what the first one holds.
class CTestPopup : public CDialog {
 public:
  CTestPopup() : CDialog(IDD_TEST_POPUP) {}
  std::wstring firstText;
  bool okPressed = false;
  bool modeless = false;

 protected:
  void OnOK() override {
    okPressed = true;
    firstText = WindowText(GetDlgItem(IDC_TEST_POPUP_FIRST));
    if (modeless) {
      DestroyWindow();
    } else {
      EndDialog(IDOK);
    }
  }
};

// A page's completion handler opens a modal dialog: its loop runs inside the sheet's, takes its keys,
// and the sheet goes on (and ends) after it.
TEST(ModalLoopTest, ModalDialogFromACompletionHandlerNestsInTheSheet) {
  CBasePropertySheet sheet(nullptr, IDS_TEST_SHEET_CAPTION);
  auto login = std::make_shared<ui_test::CTestLoginPage>();
  sheet.AddPage(login);
  login->worker = [](CApplyWorkerParameter*, volatile LONG*) {
    return std::unique_ptr<CApplyWorkerResult>();
  };
  INT_PTR nested = 0;
  std::wstring typed;
  bool sheetDisabled = false;
  login->onComplete = [&](ui_test::CTestLoginPage& page, ui_test::CCountedParameter*,
                          ui_test::CCountedResult*) {
    CTestPopup popup;
    nested = popup.DoModal(page.Sheet()->GetSafeHwnd());
    typed = popup.firstText;
    page.Sheet()->PostEndDialog(IDOK);
  };
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Click(GetDlgItem(window, IDOK));
    HWND popup = d.WaitForWindow(L"Test popup");
    ASSERT_NE(popup, nullptr);
    sheetDisabled = IsWindowEnabled(window) == FALSE;
    HWND first = GetDlgItem(popup, IDC_TEST_POPUP_FIRST);
    d.OnDialogThread([first] { SetFocus(first); });
    d.Type(first, L"nested");
    d.Key(first, VK_RETURN);
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  driver.Join();
  EXPECT_EQ(nested, IDOK);
  EXPECT_EQ(typed, L"nested");
  EXPECT_TRUE(sheetDisabled) << "the nested dialog is modal to the sheet";
  EXPECT_EQ(login->completions.load(), 1);
}

}  // namespace
}  // namespace luma::ui
