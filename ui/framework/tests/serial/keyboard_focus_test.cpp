// Tests that follow the keyboard focus. The focus belongs to the active window, which any other
// process showing a window may take, so these run while no other test runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/framework/base_property_sheet.h"
#include "ui/framework/dialog.h"
#include "ui/framework/nav_handling_edit.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/testing/dialog_driver.h"

namespace luma::ui {
namespace {

using ui_test::CDialogDriver;
using ui_test::CTestInfoPage;
using ui_test::CTestLoginPage;

constexpr const wchar_t* kCaption = L"luma-Pass V - Test Login";

// Records every text set into a field (a second subclass beside the field's own).
class CTextSpy {
 public:
  void Attach(HWND field) {
    SetWindowSubclass(field, &CTextSpy::Proc, 0x5350, reinterpret_cast<DWORD_PTR>(this));
  }
  std::vector<std::wstring> texts;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR self) {
    if (message == WM_SETTEXT && lParam != 0) {
      reinterpret_cast<CTextSpy*>(self)->texts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &CTextSpy::Proc, id);
    return DefSubclassProc(window, message, wParam, lParam);
  }
};

class KeyboardFocusTest : public ::testing::Test {
 protected:
  KeyboardFocusTest() {
    sheet.AddPage(login);
    sheet.AddPage(std::make_shared<CTestInfoPage>());
  }

  CDialogDriver driver;
  CBasePropertySheet sheet{nullptr, IDS_TEST_SHEET_CAPTION};
  std::shared_ptr<CTestLoginPage> login = std::make_shared<CTestLoginPage>();
};

// User id (disabled), password and one-time password: Enter and Tab move through the secret fields as
// a person expects, Enter in the last one presses OK when it can, and the secrets are overwritten
// before the fields go.
TEST_F(KeyboardFocusTest, EnterAndTabMoveThroughThePageAndOkEndsIt) {
  struct Step {
    const char* what;
    std::function<void(CDialogDriver&, HWND sheet, HWND password, HWND otp)> act;
    int focusId;  // the control that has the focus afterwards
  };
  CTextSpy passwordSpy;
  std::vector<std::string> failures;
  const std::vector<Step> steps = {
      {"Enter in the empty password field does nothing",
       [](CDialogDriver& d, HWND, HWND password, HWND) {
         d.OnDialogThread([password] { SetFocus(password); });
         d.Key(password, VK_RETURN);
       },
       IDC_TEST_PASSWORD},
      {"Enter after typing moves to the next field",
       [](CDialogDriver& d, HWND, HWND password, HWND) {
         d.Type(password, L"secret");
         d.Key(password, VK_RETURN);
       },
       IDC_TEST_OTP},
      {"Shift+Tab moves back although the field wants every key",
       [](CDialogDriver& d, HWND, HWND, HWND otp) { d.Key(otp, VK_TAB, true); }, IDC_TEST_PASSWORD},
      {"Tab moves on", [](CDialogDriver& d, HWND, HWND password, HWND) { d.Key(password, VK_TAB); },
       IDC_TEST_OTP},
      {"Enter in the last field with OK disabled moves on to the next tab stop",
       [this](CDialogDriver& d, HWND, HWND, HWND otp) {
         d.OnDialogThread([this] { sheet.EnableOK(FALSE); });
         d.Type(otp, L"123456");
         d.Key(otp, VK_RETURN);
       },
       IDC_TEST_PASSWORD},
  };
  std::wstring passwordText, otpText, typedTab;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND password = CDialogDriver::Control(window, IDC_TEST_PASSWORD);
    HWND otp = CDialogDriver::Control(window, IDC_TEST_OTP);
    d.OnDialogThread([&] { passwordSpy.Attach(password); });
    for (const Step& step : steps) {
      step.act(d, window, password, otp);
      HWND focus = d.Focus();
      if (GetDlgCtrlID(focus) != step.focusId) {
        failures.push_back(std::string(step.what) + ": focus on " + std::to_string(GetDlgCtrlID(focus)));
      }
    }
    passwordText = d.Text(password);
    otpText = d.Text(otp);
    // Enter in the last field with OK enabled presses OK.
    d.OnDialogThread([&] {
      sheet.EnableOK(TRUE);
      SetFocus(otp);
    });
    d.Key(otp, VK_RETURN);
  });
  const INT_PTR result = sheet.DoModal();
  driver.Join();
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  EXPECT_EQ(passwordText, L"secret") << "no Tab or Enter character went into the field";
  EXPECT_EQ(otpText, L"123456");
  EXPECT_EQ(result, IDOK);
  ASSERT_GE(passwordSpy.texts.size(), 2u);
  EXPECT_EQ(passwordSpy.texts[passwordSpy.texts.size() - 2], L"######") << "overwritten before it is emptied";
  EXPECT_EQ(passwordSpy.texts.back(), L"");
}

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
TEST(PopupKeysTest, PopupInsideTheSheetSeesItsOwnKeys) {
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

}  // namespace
}  // namespace luma::ui
