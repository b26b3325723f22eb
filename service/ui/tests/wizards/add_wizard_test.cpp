// The add-account wizard driven like a user would, against the local test signing service; what
// Finish stores reaches the protocol handler, which provisions the account's certificate.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>

#include "service/ui/add_account_wizard.h"
#include "service/ui/tests/wizards/wizard_test_support.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma::service::testing {
namespace {

using luma::ui::CAddAccountWizard;
using luma::ui::CProviderContextMap;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Add Account";
constexpr DWORD kWait = 20000;

std::list<CPolicyPtr> Policies(CProviderContext& provider) {
  std::list<CPolicyPtr> policies;
  provider.GetPolicies(policies);
  return policies;
}

// A refused one-time-password login says so and empties the fields; the next one fetches anna's
// policy, the finish page says it was retrieved, and Finish stores it with the session, writes its
// file and has the handler provision its certificate.
TEST_F(CWizardTest, OtpWizardStoresTheAccountAndProvisionsItsCertificates) {
  CProviderContextPtr provider = Provider(L"EXAMPLE", AUTH_TYPE_OTP);
  CTestHandler handler;
  handler.Attach(provider);
  CProviderContextMap providers = {{L"EXAMPLE", provider}};
  CAddAccountWizard wizard(nullptr, providers);
  ASSERT_EQ(2, wizard.Sheet().GetPageCount());
  std::wstring boxText, status, fieldsAfter, finishText;
  bool forwardAfterRefusal = true, finishEnabled = false, onFinish = false;
  bool shots[2] = {false, false};
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND user = CDialogDriver::Control(window, IDC_OTP_USER);
    HWND password = CDialogDriver::Control(window, IDC_OTP_PASSWORD);
    HWND code = CDialogDriver::Control(window, IDC_OTP_CODE);
    d.Type(user, L"anna");
    d.Type(password, L"secret");
    d.Type(code, L"000000");
    shots[0] = SavePicture(d, window, L"add_wizard_otp_page.png");
    d.Click(ForwardButton(window));
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(password) != FALSE; }));
    d.Settle();
    status = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    fieldsAfter = d.Text(user) + d.Text(password) + d.Text(code);
    forwardAfterRefusal = IsWindowEnabled(ForwardButton(window)) != FALSE;
    d.Type(user, L"anna");
    d.Type(password, L"secret");
    d.Type(code, L"123 456");
    d.Click(ForwardButton(window));
    onFinish = d.WaitUntil([&] { return wizard.Sheet().GetActiveIndex() == 1; }, kWait);
    ASSERT_TRUE(onFinish);
    d.Settle();
    finishText = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    finishEnabled = IsWindowEnabled(GetDlgItem(window, luma::ui::kWizardFinishId)) != FALSE;
    shots[1] = SavePicture(d, window, L"add_wizard_finish_page.png");
    d.Click(GetDlgItem(window, luma::ui::kWizardFinishId));
  });
  wizard.DoModal();
  driver.Join();
  EXPECT_EQ(L"Authentication of anna failed!\n\nWrong OTP PIN or Passcode.", boxText);
  EXPECT_EQ(L"Wrong OTP PIN or Passcode", status);
  EXPECT_EQ(L"", fieldsAfter);
  EXPECT_FALSE(forwardAfterRefusal) << "Next waits for all three fields";
  EXPECT_EQ(L"Account configuration successfully retrieved. Click Finish to activate the account.",
            finishText);
  EXPECT_TRUE(finishEnabled);
  EXPECT_TRUE(shots[0] && shots[1]);

  const std::list<CPolicyPtr> stored = Policies(*provider);
  ASSERT_EQ(1u, stored.size());
  const CPolicyPtr account = stored.front();
  EXPECT_EQ(L"anna", account->userId);
  EXPECT_EQ(L"example/anna", account->accountKey);
  EXPECT_TRUE(HasToken(*provider, *account)) << "the login's session is cached";
  EXPECT_EQ(1, PolicyFileCount()) << "the policy is written to the provider's policy store";
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  ASSERT_EQ(1u, handler.GetActiveContexts().size());
  EXPECT_TRUE(StoreHolds(account->certificatePolicies.at(0)->descriptor.GetCertificate()));
}

// A provider whose method has no login page of the wizard gets the finish page alone: without a
// policy it shows no success text, Finish stays disabled and nothing is stored, even when Finish is
// pressed by message.
TEST_F(CWizardTest, PasswordProviderGetsOnlyAFinishPageThatStoresNothing) {
  CProviderContextPtr provider = Provider(L"BASIC", AUTH_TYPE_PASSWORD);
  CCountingObserver observer;
  provider->AddObserver(&observer);
  CProviderContextMap providers = {{L"BASIC", provider}};
  CAddAccountWizard wizard(nullptr, providers, provider);
  ASSERT_EQ(1, wizard.Sheet().GetPageCount());
  std::wstring text;
  bool finishEnabled = true, stillOpen = false, shot = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    d.Settle();
    text = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    finishEnabled = IsWindowEnabled(GetDlgItem(window, luma::ui::kWizardFinishId)) != FALSE;
    shot = SavePicture(d, window, L"add_wizard_finish_without_policy.png");
    d.OnDialogThread([&] { PropSheet_PressButton(window, PSBTN_FINISH); });
    d.Settle();
    stillOpen = IsWindow(window) != FALSE;
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, wizard.DoModal());
  driver.Join();
  provider->RemoveObserver(&observer);
  EXPECT_EQ(
      L"No account configuration was retrieved: accounts of this provider cannot be added with this wizard.",
      text);
  EXPECT_FALSE(finishEnabled);
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(shot);
  EXPECT_TRUE(Policies(*provider).empty());
  EXPECT_EQ(0, observer.Total());
  EXPECT_EQ(0, PolicyFileCount());
}

TEST_F(CWizardTest, WithoutProvidersThereIsNoWizard) {
  CAddAccountWizard wizard(nullptr, CProviderContextMap());
  EXPECT_FALSE(wizard.HasPages());
  EXPECT_EQ(-1, wizard.DoModal());
}

}  // namespace
}  // namespace luma::service::testing
