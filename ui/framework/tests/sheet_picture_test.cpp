#include <gtest/gtest.h>

#include "ui/framework/base_property_sheet.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using ui_test::CDialogDriver;

// The two-page sheet as a person sees it, with a password typed into its secure field.
TEST(SheetPictureTest, TwoPageSheetWithASecureField) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no display: pictures are taken under Xvfb";
  CBasePropertySheet sheet(nullptr, IDS_TEST_SHEET_CAPTION);
  auto login = std::make_shared<ui_test::CTestLoginPage>();
  sheet.AddPage(login);
  sheet.AddPage(std::make_shared<ui_test::CTestInfoPage>());
  bool saved = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(L"luma-Pass V - Test Login");
    ASSERT_NE(window, nullptr);
    HWND password = CDialogDriver::Control(window, IDC_TEST_PASSWORD);
    d.OnDialogThread([&] {
      SetFocus(password);
      SetWindowTextW(CDialogDriver::Control(window, IDC_TEST_STATUS),
                     L"Enter the password of your account and the code your token shows.");
    });
    d.Type(password, L"correct horse");
    d.OnDialogThread([&] {
      // No window manager runs under Xvfb to make the sheet active; draw its caption as it is in front.
      SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
      RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      saved = ui_test::SaveWindowPicture(window, L"property_sheet_login.png");
    });
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  driver.Join();
  EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace luma::ui
