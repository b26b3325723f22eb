// The refresh-account wizard against the local test signing service: a silent refresh with the
// cached session, the login page when the service no longer accepts it, and a refusal of another
// account's policy.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>

#include "foundation/win/system_utils.h"
#include "service/auth/tests/auth_test_support.h"
#include "service/ui/refresh_account_wizard.h"
#include "service/ui/tests/wizards/wizard_test_support.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma::service::testing {
namespace {

using luma::ui::CRefreshAccountWizard;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Refresh Account";
constexpr DWORD kWait = 20000;

class RefreshWizardTest : public CWizardTest {
 protected:
  void SetUp() override {
    CWizardTest::SetUp();
    provider = Provider(L"EXAMPLE", AUTH_TYPE_OTP);
    account = AnnaPolicy(*provider);
    ASSERT_TRUE(account);
    ASSERT_TRUE(provider->AddPolicy(account, true));
    provider->AddObserver(&observer);
  }
  void TearDown() override {
    provider->RemoveObserver(&observer);
    CWizardTest::TearDown();
  }
  std::wstring CachedToken() {
    CSecureBuffer token;
    provider->tokenCache.GetToken(*account, token);
    std::wstring text;
    BufferToString(token, text);
    return text;
  }
  CPolicyPtr Stored() {
    std::list<CPolicyPtr> policies;
    provider->GetPolicies(policies);
    return policies.size() == 1 ? policies.front() : nullptr;
  }

  CProviderContextPtr provider;
  CPolicyPtr account;
  CCountingObserver observer;
};

// The cached session still works and the service answers the same policy: the wizard ends by itself
// without asking for a login, and nothing changes.
TEST_F(RefreshWizardTest, UnchangedPolicyChangesNothing) {
  ASSERT_TRUE(provider->tokenCache.StoreToken(*account, Utf16(L"SESSION=anna")));
  CRefreshAccountWizard wizard(nullptr, provider, account);
  ASSERT_EQ(2, wizard.Sheet().GetPageCount());
  bool loginShown = false, shot = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    shot = SavePicture(d, window, L"refresh_wizard_check_page.png");  // while the check runs
    d.WaitUntil([&] { return !IsWindow(window); }, kWait);
    loginShown = wizard.Sheet().GetActiveIndex() == 1;
  });
  EXPECT_EQ(IDOK, wizard.DoModal());
  driver.Join();
  EXPECT_FALSE(loginShown);
  EXPECT_TRUE(shot);
  EXPECT_EQ(account, Stored()) << "the stored policy is kept";
  EXPECT_EQ(0, observer.Total());
  EXPECT_EQ(1, PolicyFileCount());
  EXPECT_EQ(L"SESSION=anna", CachedToken());
}

// The service redirects the expired session to the provider's login: the token is dropped and the
// one-time-password page asks for the account's login; its success stores the policy with the new
// session.
TEST_F(RefreshWizardTest, ExpiredSessionAsksForTheLogin) {
  ASSERT_TRUE(provider->tokenCache.StoreToken(*account, Utf16(L"SESSION=gone")));
  CRefreshAccountWizard wizard(nullptr, provider, account);
  std::wstring userShown, tokenWhileAsking;
  bool userEditable = true, finishBeforeTyping = true, onLogin = false, shot = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    onLogin = d.WaitUntil([&] { return wizard.Sheet().GetActiveIndex() == 1; }, kWait);
    ASSERT_TRUE(onLogin);
    d.Settle();
    tokenWhileAsking = CachedToken();
    HWND user = CDialogDriver::Control(window, IDC_OTP_USER);
    userShown = d.Text(user);
    userEditable = IsWindowEnabled(user) != FALSE;
    finishBeforeTyping = IsWindowEnabled(ForwardButton(window)) != FALSE;
    d.Type(CDialogDriver::Control(window, IDC_OTP_PASSWORD), L"secret");
    d.Type(CDialogDriver::Control(window, IDC_OTP_CODE), L"123 456");
    shot = SavePicture(d, window, L"refresh_wizard_otp_page.png");
    d.Click(ForwardButton(window));
    d.WaitUntil([&] { return !IsWindow(window); }, kWait);
  });
  EXPECT_EQ(IDOK, wizard.DoModal());
  driver.Join();
  EXPECT_TRUE(onLogin);
  EXPECT_EQ(L"", tokenWhileAsking) << "the lost session is dropped";
  EXPECT_EQ(L"anna", userShown);
  EXPECT_FALSE(userEditable);
  EXPECT_FALSE(finishBeforeTyping);
  EXPECT_TRUE(shot);
  EXPECT_EQ(0u, CachedToken().find(L"SESSION=anna"));
  EXPECT_NE(nullptr, Stored());
}

// The cached session belongs to another account: its policy is refused, nothing is stored and the
// wizard ends after its message.
TEST_F(RefreshWizardTest, AnotherAccountsPolicyIsRefused) {
  ASSERT_TRUE(provider->tokenCache.StoreToken(*account, Utf16(L"SESSION=bob")));
  CRefreshAccountWizard wizard(nullptr, provider, account);
  std::wstring boxText;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND box = WaitForMessageBox(window);
    ASSERT_NE(box, nullptr);
    boxText = MessageBoxText(box);
    d.Click(GetDlgItem(box, IDOK));
  });
  EXPECT_EQ(IDCANCEL, wizard.DoModal());
  driver.Join();
  EXPECT_EQ(L"Account Policy Error: Refreshed account does not match original account", boxText);
  EXPECT_EQ(account, Stored());
  EXPECT_EQ(0, observer.Total());
}

}  // namespace
}  // namespace luma::service::testing
