// The confirmation, error, check and one-time-password pages in the authentication dialog, driven
// like a user would, against the local test signing service.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/check_property_page.h"
#include "service/authdlg/message_pages.h"
#include "service/authdlg/otp_property_page.h"
#include "service/authdlg/tests/auth_dialog_test_support.h"
#include "service/authdlg/vsc_property_page.h"
#include "ui/testing/dialog_driver.h"

namespace luma::ui {
namespace {

using service::testing::CAuthDialogTest;
using service::testing::MessageBoxText;
using service::testing::Utf16;
using service::testing::WaitForMessageBox;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Authentication";

bool HasToken(CAuthContext& context) {
  CSecureBuffer token;
  return context.providerContext->tokenCache.GetToken(*context.policy, token) && !token.empty();
}

TEST_F(CAuthDialogTest, ConfirmationHasCancelFocusedAndOkConfirms) {
  CAuthContext context = Context(L"alice");
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CConfirmPropertyPage>(context, L"Sign with your qualified certificate?"));
  bool cancelFocused = false;
  bool okEnabled = false;
  std::wstring status;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Settle();
    cancelFocused = d.Focus() == GetDlgItem(window, IDCANCEL);
    okEnabled = IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE;
    status = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    d.Click(GetDlgItem(window, IDOK));
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(cancelFocused);
  EXPECT_TRUE(okEnabled);
  EXPECT_EQ(L"Sign with your qualified certificate?", status);
}

TEST_F(CAuthDialogTest, ErrorLeavesOnlyCancel) {
  CAuthContext context = Context(L"alice");
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(
      std::make_shared<CErrorPropertyPage>(context, L"The service refused the operation.\nTry later."));
  bool okEnabled = true;
  std::wstring status;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Settle();
    okEnabled = IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE;
    status = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_FALSE(okEnabled);
  EXPECT_EQ(L"The service refused the operation.\r\nTry later.", status);
}

// The check finds the cached session token, asks the service and moves on to the password page; a
// session the service redirects to its own login is dropped from the cache, one redirected
// elsewhere is kept.
TEST_F(CAuthDialogTest, CheckMovesOnAndDropsALostSession) {
  struct Case {
    const wchar_t* servicePath;
    const wchar_t* loginPath;
    bool tokenKept;
  } cases[] = {
      {L"/vault", L"/vault", true},
      {L"/vault/expired", L"/login", false},
      {L"/vault/expired", L"/elsewhere", true},
  };
  for (const Case& c : cases) {
    CAuthContext context = Context(L"alice", c.servicePath, c.loginPath);
    ASSERT_TRUE(context.providerContext->tokenCache.StoreToken(*context.policy, Utf16(L"SESSION=anna")));
    CAuthResult result;
    CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
    dialog.AddPage(std::make_shared<CCheckPropertyPage>(context, &result, true, false, 0, 0, 0, 0));
    dialog.AddPage(std::make_shared<CVSCPropertyPage>(context, &result));
    bool movedOn = false;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption);
      ASSERT_NE(window, nullptr);
      movedOn = d.WaitUntil([&] { return dialog.GetActiveIndex() == 1; }, 15000);
      d.Click(GetDlgItem(window, IDCANCEL));
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    driver.Join();
    EXPECT_TRUE(movedOn) << c.servicePath << c.loginPath;
    EXPECT_EQ(c.tokenKept, HasToken(context)) << c.servicePath << c.loginPath;
    EXPECT_EQ(c.tokenKept, !result.token.empty()) << c.servicePath << c.loginPath;
  }
}

// A refused one-time-password login shows the service's text and empties both secret fields; the
// next login moves on to the password page, whose right password ends the dialog with the new
// session and the PIN.
TEST_F(CAuthDialogTest, OtpLoginRefusedThenAcceptedLeadsToThePasswordPage) {
  CAuthContext context = OtpContext(L"alice");
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<COTPPropertyPage>(context, &result));
  dialog.AddPage(std::make_shared<CVSCPropertyPage>(context, &result));
  std::wstring boxText;
  std::wstring status;
  std::wstring userShown;
  std::wstring passwordAfter;
  bool okAfter = true;
  bool onPasswordPage = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND password = CDialogDriver::Control(window, IDC_OTP_PASSWORD);
    HWND code = CDialogDriver::Control(window, IDC_OTP_CODE);
    userShown = d.Text(CDialogDriver::Control(window, IDC_OTP_USER));
    d.Type(password, L"wrong");
    d.Type(code, L"000000");
    d.Click(GetDlgItem(window, IDOK));
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(password) != FALSE; }));
    d.Settle();
    status = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    passwordAfter = d.Text(password) + d.Text(code);
    okAfter = IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE;
    d.Type(password, L"secret");
    d.Type(code, L"123 456");
    d.Click(GetDlgItem(window, IDOK));
    onPasswordPage = d.WaitUntil([&] { return dialog.GetActiveIndex() == 1; }, 15000);
    ASSERT_TRUE(onPasswordPage);
    d.Type(CDialogDriver::Control(window, IDC_VSC_PASSWORD), L"1234");
    d.Click(GetDlgItem(window, IDOK));
  });
  EXPECT_EQ(IDOK, dialog.DoModal());
  driver.Join();
  EXPECT_EQ(L"anna", userShown);
  EXPECT_EQ(L"Wrong user name or password.", boxText);
  EXPECT_EQ(L"Wrong user name or password.", status);
  EXPECT_EQ(L"", passwordAfter);
  EXPECT_FALSE(okAfter);
  EXPECT_TRUE(onPasswordPage);
  std::wstring token;
  result.GetToken(token);
  EXPECT_EQ(0u, token.find(L"SESSION=")) << token;
  EXPECT_TRUE(result.pin == Utf16(L"1234"));
  EXPECT_TRUE(HasToken(context));
}

// After a good login the cached PIN is found wrong and no page follows to ask for it: the dialog
// ends with its failure result rather than waiting on a page nobody can use.
TEST_F(CAuthDialogTest, OtpLoginWithAWrongCachedPinAndNoPasswordPageEndsTheDialog) {
  CAuthContext context = OtpContext(L"alice");
  ASSERT_TRUE(context.StorePin(Utf16(L"9999")));
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<COTPPropertyPage>(context, &result));
  bool ended = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Type(CDialogDriver::Control(window, IDC_OTP_PASSWORD), L"secret");
    d.Type(CDialogDriver::Control(window, IDC_OTP_CODE), L"123 456");
    d.Click(GetDlgItem(window, IDOK));
    ended = d.WaitUntil([&] { return !IsWindow(window); }, 15000);
    if (!ended) d.Click(GetDlgItem(window, IDCANCEL));  // do not leave the test waiting
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(ended) << "the dialog stayed open on its disabled page";
  EXPECT_FALSE(context.providerContext->pinCache.IsPinCached(*context.certificatePolicy));
  EXPECT_TRUE(HasToken(context)) << "the new session is kept for the next request";
}

}  // namespace
}  // namespace luma::ui
