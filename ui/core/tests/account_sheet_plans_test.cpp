#include "ui/core/account_sheet_plans.h"

#include <gtest/gtest.h>

namespace luma::ui::accounts {
namespace {

constexpr SignInMethod kPassword{1, true};
constexpr SignInMethod kOtp{kAuthOneTimePassword, true};
constexpr SignInMethod kBrowser{kAuthBrowser, true};
constexpr SignInMethod kKerberos{5, false};
constexpr SignInMethod kUnknown{0, true, false};

TEST(AddWizardPlanTest, OnePageOfEachKindAndTheProviderPageUnlessOneProvider) {
  struct Case {
    const char* name;
    std::vector<SignInMethod> providers;
    bool providerPage, preselect, check, otp, browser;
  } cases[] = {
      {"no provider", {}, true, false, false, false, false},
      {"one OTP provider", {kOtp}, false, true, false, true, false},
      {"one provider without a page", {kPassword}, false, true, false, false, false},
      {"mixed", {kPassword, kBrowser, kKerberos, kOtp, kBrowser, kKerberos}, true, false, true, true, true},
      {"unknown methods get nothing", {kUnknown, kKerberos}, true, false, true, false, false},
  };
  for (const Case& c : cases) {
    const AddWizardPlan plan = PlanAddWizard(c.providers);
    EXPECT_EQ(plan.providerPage, c.providerPage) << c.name;
    EXPECT_EQ(plan.preselectOnly, c.preselect) << c.name;
    EXPECT_EQ(plan.checkPage, c.check) << c.name;
    EXPECT_EQ(plan.otpPage, c.otp) << c.name;
    EXPECT_EQ(plan.browserPage, c.browser) << c.name;
  }
}

TEST(PinChangePlanTest, LoginPageAndCheckPageTargetsByMethod) {
  struct Case {
    const char* name;
    SignInMethod method;
    LoginPage login;
    int loginTemplate;
  } cases[] = {
      {"one-time password", kOtp, LoginPage::kOneTimePassword, kOtpPageTemplate},
      {"browser", kBrowser, LoginPage::kBrowser, kBrowserPageTemplate},
      {"not interactive", kKerberos, LoginPage::kNone, kPinChangePageTemplate},
      {"password: no login page of its own", kPassword, LoginPage::kNone, kPinChangePageTemplate},
      {"unknown", kUnknown, LoginPage::kNone, kPinChangePageTemplate},
  };
  for (const Case& c : cases) {
    const PinChangePlan plan = PlanPinChange(c.method);
    EXPECT_EQ(plan.login, c.login) << c.name;
    EXPECT_EQ(plan.nextPages[0], c.loginTemplate) << c.name;
    EXPECT_EQ(plan.nextPages[1], kPinChangePageTemplate) << c.name;
    EXPECT_EQ(plan.nextPages[2], c.loginTemplate) << c.name;
    EXPECT_EQ(plan.nextPages[3], kPinChangePageTemplate) << c.name;
  }
}

}  // namespace
}  // namespace luma::ui::accounts
