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

// A modeless popup a page opens inside the sheet gets its own Tab and Enter: the sheet's loop hands its
// keys to its own dialog manager, not to the sheet's.
TEST(ModalLoopTest, PopupInsideTheSheetSeesItsOwnKeys) {
  CBasePropertySheet sheet(nullptr, IDS_TEST_SHEET_CAPTION);
  auto login = std::make_shared<ui_test::CTestLoginPage>();
  sheet.AddPage(login);
  CTestPopup popup;
  popup.modeless = true;
  int focusAfterTab = 0;
  bool popupGone = false, sheetOpen = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.OnDialogThread([&] {
      ASSERT_TRUE(popup.Create(window));
      ShowWindow(popup.Handle(), SW_SHOW);
      SetFocus(GetDlgItem(popup.Handle(), IDC_TEST_POPUP_FIRST));
    });
    HWND first = GetDlgItem(popup.Handle(), IDC_TEST_POPUP_FIRST);
    d.Type(first, L"kept");
    d.Key(first, VK_TAB);
    focusAfterTab = GetDlgCtrlID(d.Focus());
    d.Key(d.Focus(), VK_RETURN);
    d.OnDialogThread([&] {
      popupGone = popup.Handle() == nullptr;
      sheetOpen = IsWindowVisible(window) != FALSE;
    });
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  driver.Join();
  EXPECT_EQ(focusAfterTab, IDC_TEST_POPUP_SECOND);
  EXPECT_TRUE(popup.okPressed) << "Enter pressed the popup's default button";
  EXPECT_EQ(popup.firstText, L"kept");
  EXPECT_TRUE(popupGone);
  EXPECT_TRUE(sheetOpen) << "the popup's Enter did not reach the sheet";
}

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
