#include "ui/core/account_wizard_plan.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

using L = WizardLogin;
using P = AddWizardPage;

constexpr int kPassword = 1;
constexpr int kSms = 3;
constexpr int kCertificate = 4;
constexpr int kKerberos = 5;

TEST(AccountWizardPlanTest, EveryMethodFindsItsLoginPage) {
  struct Case {
    bool hasMethod;
    int type;
    bool interactive;
    L login;
  } cases[] = {
      {true, kWizardOtpType, true, L::kOtp},
      {true, kWizardBrowserType, true, L::kBrowser},
      {true, kPassword, true, L::kNone},
      {true, kSms, true, L::kNone},
      {true, kCertificate, true, L::kNone},  // a certificate login with a service URL of its own
      {true, kCertificate, false, L::kCheck},
      {true, kKerberos, false, L::kCheck},
      {false, 0, true, L::kNone},  // "AuthenticationType" named no known method
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.login, WizardLoginFor(c.hasMethod, c.type, c.interactive)) << c.type << "/" << c.interactive;
  }
}

// The sheet for every mix of providers, from the account list (named -1) and from a protocol URL.
TEST(AccountWizardPlanTest, SheetAssemblyPerProviderType) {
  struct Case {
    const char* label;
    std::vector<L> logins;
    int named;
    std::vector<P> pages;
    int preselected;
    bool withoutLogin;
  } cases[] = {
      {"no provider", {}, -1, {}, -1, false},
      {"named provider unknown", {L::kOtp}, 1, {}, -1, false},
      {"one OTP provider", {L::kOtp}, -1, {P::kOtp, P::kFinish}, 0, false},
      {"one browser provider", {L::kBrowser}, -1, {P::kBrowser, P::kFinish}, 0, false},
      {"one silent provider", {L::kCheck}, -1, {P::kCheck, P::kFinish}, 0, false},
      {"one password provider", {L::kNone}, -1, {P::kFinish}, 0, true},
      {"several of one kind share a page",
       {L::kOtp, L::kOtp},
       -1,
       {P::kProvider, P::kOtp, P::kFinish},
       -1,
       false},
      {"every kind, in page order",
       {L::kBrowser, L::kNone, L::kOtp, L::kCheck},
       -1,
       {P::kProvider, P::kCheck, P::kOtp, P::kBrowser, P::kFinish},
       -1,
       false},
      {"named OTP provider among others",
       {L::kCheck, L::kOtp, L::kBrowser},
       1,
       {P::kOtp, P::kFinish},
       1,
       false},
      {"named password provider", {L::kOtp, L::kNone}, 1, {P::kFinish}, 1, true},
  };
  for (const Case& c : cases) {
    const AddWizardPlan plan = PlanAddWizard(c.logins, c.named);
    EXPECT_EQ(c.pages, plan.pages) << c.label;
    EXPECT_EQ(c.preselected, plan.preselected) << c.label;
    EXPECT_EQ(c.withoutLogin, plan.withoutLogin) << c.label;
  }
}

TEST(AccountWizardPlanTest, ProviderPageMovesOnlyToALoginPage) {
  const std::vector<L> logins = {L::kOtp, L::kNone, L::kCheck};
  EXPECT_EQ(L::kOtp, ProviderPageNext(logins, 0));
  EXPECT_EQ(L::kNone, ProviderPageNext(logins, 1));
  EXPECT_EQ(L::kCheck, ProviderPageNext(logins, 2));
  EXPECT_EQ(L::kNone, ProviderPageNext(logins, 3));
  EXPECT_EQ(L::kNone, ProviderPageNext(logins, -1));  // CB_ERR: nothing selected
  EXPECT_EQ(L::kNone, ProviderPageNext({}, 0));
}

TEST(AccountWizardPlanTest, RefreshSheetIsTheCheckAndTheInteractiveLogin) {
  using R = RefreshWizardPage;
  EXPECT_EQ((std::vector<R>{R::kCheck, R::kOtp}), PlanRefreshWizard(L::kOtp));
  EXPECT_EQ((std::vector<R>{R::kCheck, R::kBrowser}), PlanRefreshWizard(L::kBrowser));
  EXPECT_EQ((std::vector<R>{R::kCheck}), PlanRefreshWizard(L::kCheck));
  EXPECT_EQ((std::vector<R>{R::kCheck}), PlanRefreshWizard(L::kNone));
}

TEST(AccountWizardPlanTest, FinishText) {
  struct Case {
    bool havePolicy;
    bool outdated;
    bool pinChangeDue;
    FinishText text;
  } cases[] = {
      {true, false, false, FinishText::kRetrieved},   {true, true, false, FinishText::kCheckAccount},
      {true, false, true, FinishText::kCheckAccount}, {true, true, true, FinishText::kCheckAccount},
      {false, false, false, FinishText::kNoPolicy},   {false, true, true, FinishText::kNoPolicy},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, ChooseFinishText(c.havePolicy, c.outdated, c.pinChangeDue))
        << c.havePolicy << c.outdated << c.pinChangeDue;
  }
}

TEST(AccountWizardPlanTest, FailuresAndRefreshOutcomes) {
  using M = WizardMessage;
  constexpr int kFailed = static_cast<int>(0x803D000Au);
  struct Case {
    bool policyError;
    int loginError;
    int loginStatus;
    int serviceError;
    M message;
  } cases[] = {
      {false, 0, 0, 0, M::kNone},
      {true, kFailed, 403, kFailed, M::kPolicyError},
      {false, kFailed, 403, 0, M::kWrongOtp},
      {false, kFailed, 401, kFailed, M::kLoginUnavailable},
      {false, 0, 0, 12029, M::kServiceError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.message, WizardFailureMessage(c.policyError, c.loginError, c.loginStatus, c.serviceError))
        << c.policyError << "/" << c.loginStatus << "/" << c.serviceError;
  }
  using R = RefreshCheckOutcome;
  EXPECT_EQ(R::kStoreAndClose, RefreshCheckResult(true, false, 0));
  EXPECT_EQ(R::kLogin, RefreshCheckResult(false, false, 0));  // the session was redirected
  EXPECT_EQ(R::kPolicyError, RefreshCheckResult(true, true, 0));
  EXPECT_EQ(R::kServiceError, RefreshCheckResult(false, false, 12029));
}

}  // namespace
}  // namespace luma::ui
