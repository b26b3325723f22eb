// The password page in the authentication dialog, driven like a user would, against the local test
// signing service: the right password ends the dialog and is cached, a wrong one shows the tries
// left and lets the user try again, a blocked certificate is marked and ends the dialog.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/tests/auth_dialog_test_support.h"
#include "service/authdlg/vsc_property_page.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using service::testing::CAuthDialogTest;
using service::testing::MessageBoxText;
using service::testing::Utf16;
using service::testing::WaitForMessageBox;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Authentication";

TEST_F(CAuthDialogTest, RightPasswordIsHandedOverAndCached) {
  CAuthContext context = Context(L"alice");
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CVSCPropertyPage>(context, &result));
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND ok = GetDlgItem(window, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok)) << "OK waits for a password";
    d.Type(CDialogDriver::Control(window, IDC_VSC_PASSWORD), L"1234");
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
    d.Click(ok);
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(result.pin == Utf16(L"1234"));
  EXPECT_TRUE(context.providerContext->pinCache.IsPinCached(*context.certificatePolicy));
  EXPECT_FALSE(context.IsBlocked());
}

// The countdown runs until OK and is gone for good after it, even though the page waits for a
// second try; the wrong password's tries are shown in a box and stay as the status line.
TEST_F(CAuthDialogTest, WrongPasswordShowsTheTriesLeftThenTheRightOneEnds) {
  CAuthContext context = Context(L"alice");
  context.StorePin(Utf16(L"0000"));  // an older PIN the service no longer takes
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CVSCPropertyPage>(context, &result));
  std::wstring boxText;
  std::wstring statusText;
  std::wstring countdownBefore;
  std::wstring countdownAfter;
  std::wstring fieldAfter;
  bool saved = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND countdown = GetDlgItem(window, CAuthenticationDialog::kCountdownControlId);
    ASSERT_NE(countdown, nullptr);
    ASSERT_TRUE(d.WaitUntil([&] { return !d.Text(countdown).empty(); }, 5000));
    countdownBefore = d.Text(countdown);
    HWND field = CDialogDriver::Control(window, IDC_VSC_PASSWORD);
    d.Type(field, L"12345");
    d.Click(GetDlgItem(window, IDOK));
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(field) != FALSE; }));
    d.Settle();
    statusText = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    fieldAfter = d.Text(field);
    Sleep(1200);  // a tick of the stopped countdown would show by now
    d.Settle();
    countdownAfter = d.Text(countdown);
    if (ui_test::HasDisplay()) {
      d.OnDialogThread([&] {
        // No window manager runs under Xvfb to make the sheet active; draw its caption as in front.
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        saved = ui_test::SaveWindowPicture(window, L"auth_password_page.png");
      });
    }
    d.Type(field, L"1234");
    d.Click(GetDlgItem(window, IDOK));
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(countdownBefore == L"Cancel in 3m 00s" || countdownBefore == L"Cancel in 2m 59s")
      << countdownBefore;
  EXPECT_EQ(L"Wrong password entered!\n\nRemaining tries left: 2", boxText);
  EXPECT_EQ(L"Wrong password entered!\r\n\r\nRemaining tries left: 2", statusText);
  EXPECT_EQ(L"", fieldAfter) << "the secret field is emptied";
  EXPECT_EQ(L"", countdownAfter) << "OK stops the countdown for good";
  EXPECT_TRUE(result.pin == Utf16(L"1234"));
  if (ui_test::HasDisplay()) {
    EXPECT_TRUE(saved);
  }
}

TEST_F(CAuthDialogTest, BlockedCertificateIsMarkedAndEndsTheDialog) {
  CAuthContext context = Context(L"blocked");
  context.StorePin(Utf16(L"1234"));
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CVSCPropertyPage>(context, &result));
  std::wstring boxText;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Type(CDialogDriver::Control(window, IDC_VSC_PASSWORD), L"1234");
    d.Click(GetDlgItem(window, IDOK));
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_EQ(L"Wrong password entered!\n\nCertificate is blocked.", boxText);
  EXPECT_TRUE(context.IsBlocked());
  EXPECT_FALSE(context.providerContext->pinCache.IsPinCached(*context.certificatePolicy));
  EXPECT_TRUE(result.pin.empty());
}

}  // namespace
}  // namespace luma::ui
