// The PIN change page in the authentication dialog, driven like a user would, against the local
// test signing service: the rule marks and OK follow the typing, a change is cached and the
// account's new policy kept, a wrong current password shows the tries left and empties the fields.
#include "service/authdlg/pin_change_page.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/tests/auth_dialog_test_support.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using service::testing::Bytes;
using service::testing::CAuthDialogTest;
using service::testing::MessageBoxText;
using service::testing::Utf16;
using service::testing::VaultFixture;
using service::testing::WaitForMessageBox;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Change Password";
enum Row { kLength, kUpper, kLower, kDigits, kSymbols, kConfirm, kDiffers };

class PinChangePageTest : public CAuthDialogTest {
 protected:
  // alice's certificate with her session at the service (the test service's account "anna").
  CAuthContext SignedInContext() {
    CAuthContext context = Context(L"alice");
    context.providerContext->tokenCache.StoreToken(*context.policy, Utf16(L"SESSION=anna"));
    return context;
  }

  static void TypeAll(CDialogDriver& d, HWND window, const wchar_t* current, const wchar_t* fresh,
                      const wchar_t* confirmation) {
    d.Type(CDialogDriver::Control(window, IDC_PIN_CURRENT), current);
    d.Type(CDialogDriver::Control(window, IDC_PIN_NEW), fresh);
    d.Type(CDialogDriver::Control(window, IDC_PIN_CONFIRM), confirmation);
  }
};

TEST_F(PinChangePageTest, RuleMarksAndOkFollowTheTyping) {
  CAuthContext context = SignedInContext();
  CPinConstraints& rules = context.certificatePolicy->pinPolicy.pinConstraints;
  rules.minLength = 8;
  rules.maxLength = 20;
  rules.minNumericCharacters = 1;
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  auto page = std::make_shared<CPINChangePage>(context, &result);
  dialog.AddPage(page);
  struct Seen {
    bool length, digits, confirm, ok;
  } sevenLetters{}, withDigit{}, otherConfirmation{};
  std::wstring lengthText, upperText;
  bool upperEnabled = true;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND ok = GetDlgItem(window, IDOK);
    const auto look = [&](Seen& seen) {
      d.Settle();
      d.OnDialogThread([&] {
        seen = {page->IsRuleShownMet(kLength), page->IsRuleShownMet(kDigits), page->IsRuleShownMet(kConfirm),
                IsWindowEnabled(ok) != FALSE};
      });
    };
    lengthText = d.Text(CDialogDriver::Control(window, IDC_RULE_LENGTH));
    upperText = d.Text(CDialogDriver::Control(window, IDC_RULE_UPPER));
    upperEnabled = IsWindowEnabled(CDialogDriver::Control(window, IDC_RULE_UPPER)) != FALSE;
    TypeAll(d, window, L"1234", L"abcdefg", L"abcdefg");
    look(sevenLetters);
    d.Type(CDialogDriver::Control(window, IDC_PIN_NEW), L"1");
    d.Type(CDialogDriver::Control(window, IDC_PIN_CONFIRM), L"1");
    look(withDigit);
    if (ui_test::HasDisplay()) {
      d.OnDialogThread([&] {
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_TRUE(ui_test::SaveWindowPicture(window, L"pin_change_page.png"));
      });
    }
    d.Type(CDialogDriver::Control(window, IDC_PIN_CONFIRM), L"x");
    look(otherConfirmation);
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_EQ(L"Length is between 8 and 20 characters", lengthText);
  EXPECT_EQ(L"No upper-case letters required", upperText);
  EXPECT_FALSE(upperEnabled) << "a rule that asks nothing is greyed";
  EXPECT_FALSE(sevenLetters.length);
  EXPECT_FALSE(sevenLetters.digits);
  EXPECT_TRUE(sevenLetters.confirm);
  EXPECT_FALSE(sevenLetters.ok);
  EXPECT_TRUE(withDigit.length);
  EXPECT_TRUE(withDigit.digits);
  EXPECT_TRUE(withDigit.ok);
  EXPECT_FALSE(otherConfirmation.confirm);
  EXPECT_FALSE(otherConfirmation.ok);
  EXPECT_TRUE(result.pin.empty());
}

// The service answers with the account's policy after a change. A provider that trusts its signer
// keeps it with the session; one that cannot read it still reports the change as made.
TEST_F(PinChangePageTest, ChangedPasswordIsCachedWhetherOrNotTheNewPolicyCanBeKept) {
  for (const bool trusted : {true, false}) {
    SCOPED_TRACE(trusted ? "signer trusted" : "signer unknown");
    CAuthContext context = SignedInContext();
    if (trusted) context.providerContext->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
    CAuthResult result;
    result.token = Utf16(L"SESSION=anna");
    CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
    dialog.AddPage(std::make_shared<CPINChangePage>(context, &result));
    std::wstring boxText;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption);
      ASSERT_NE(window, nullptr);
      TypeAll(d, window, L"1234", L"5678", L"5678");
      HWND ok = GetDlgItem(window, IDOK);
      ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
      d.Click(ok);
      HWND box = WaitForMessageBox(window);
      ASSERT_NE(box, nullptr);
      boxText = MessageBoxText(box);
      d.Click(GetDlgItem(box, IDOK));
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    driver.Join();
    EXPECT_EQ(L"Password successfully changed", boxText);
    EXPECT_TRUE(result.pin == Utf16(L"5678"));
    CSecureBuffer cached;
    EXPECT_TRUE(context.providerContext->pinCache.GetPin(*context.certificatePolicy, cached));
    EXPECT_TRUE(cached == Utf16(L"5678"));
    std::list<CPolicyPtr> policies;
    context.providerContext->GetPolicies(policies);
    EXPECT_EQ(trusted ? 1u : 0u, policies.size());
    if (trusted && !policies.empty()) {
      EXPECT_EQ(L"anna", policies.front()->userId);
      EXPECT_TRUE(context.providerContext->tokenCache.HasToken(*policies.front()));
    }
  }
}

TEST_F(PinChangePageTest, WrongCurrentPasswordShowsTheTriesLeftAndEmptiesTheFields) {
  CAuthContext context = SignedInContext();
  context.StorePin(Utf16(L"1234"));
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CPINChangePage>(context, &result));
  std::wstring boxText;
  std::wstring fields;
  bool okAfter = true;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    TypeAll(d, window, L"9999", L"5678", L"5678");
    HWND ok = GetDlgItem(window, IDOK);
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
    d.Click(ok);
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
    HWND current = CDialogDriver::Control(window, IDC_PIN_CURRENT);
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(current) != FALSE; }));
    d.Settle();
    fields = d.Text(current) + d.Text(CDialogDriver::Control(window, IDC_PIN_NEW)) +
             d.Text(CDialogDriver::Control(window, IDC_PIN_CONFIRM));
    okAfter = IsWindowEnabled(ok) != FALSE;
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_EQ(L"Wrong password entered!\n\nRemaining tries left: 2", boxText);
  EXPECT_EQ(L"", fields);
  EXPECT_FALSE(okAfter);
  EXPECT_FALSE(context.providerContext->pinCache.IsPinCached(*context.certificatePolicy))
      << "the cached password was the wrong one";
}

TEST_F(PinChangePageTest, WithoutASessionTheServiceIsNotCalled) {
  CAuthContext context = Context(L"alice");  // an interactive login and no session
  CAuthResult result;
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(std::make_shared<CPINChangePage>(context, &result));
  std::wstring boxText;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    TypeAll(d, window, L"1234", L"5678", L"5678");
    HWND ok = GetDlgItem(window, IDOK);
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
    d.Click(ok);
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }))
        << "the same input may be sent again";
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_EQ(L"Error calling service:\n\n", boxText);
  EXPECT_TRUE(service.Requests().empty());
}

}  // namespace
}  // namespace luma::ui
