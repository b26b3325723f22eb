#include "ui/core/account_wizard_plan.h"

namespace luma::ui {
namespace {

constexpr int kLoginRefused = 403;

AddWizardPage PageOf(WizardLogin login) {
  switch (login) {
    case WizardLogin::kCheck:
      return AddWizardPage::kCheck;
    case WizardLogin::kOtp:
      return AddWizardPage::kOtp;
    default:
      return AddWizardPage::kBrowser;
  }
}

bool Holds(const std::vector<WizardLogin>& logins, WizardLogin login) {
  for (const WizardLogin each : logins) {
    if (each == login) return true;
  }
  return false;
}

}  // namespace

WizardLogin WizardLoginFor(bool hasMethod, int authType, bool interactive) {
  if (!hasMethod) return WizardLogin::kNone;
  if (!interactive) return WizardLogin::kCheck;
  if (authType == kWizardOtpType) return WizardLogin::kOtp;
  if (authType == kWizardBrowserType) return WizardLogin::kBrowser;
  return WizardLogin::kNone;
}

AddWizardPlan PlanAddWizard(const std::vector<WizardLogin>& logins, int named) {
  AddWizardPlan plan;
  if (logins.empty() || named >= static_cast<int>(logins.size())) return plan;
  if (named < 0 && logins.size() > 1) {
    plan.pages.push_back(AddWizardPage::kProvider);
    for (const WizardLogin kind : {WizardLogin::kCheck, WizardLogin::kOtp, WizardLogin::kBrowser}) {
      if (Holds(logins, kind)) plan.pages.push_back(PageOf(kind));
    }
  } else {
    plan.preselected = named < 0 ? 0 : named;
    const WizardLogin login = logins[static_cast<std::size_t>(plan.preselected)];
    if (login != WizardLogin::kNone) {
      plan.pages.push_back(PageOf(login));
    } else {
      plan.withoutLogin = true;
    }
  }
  plan.pages.push_back(AddWizardPage::kFinish);
  return plan;
}

WizardLogin ProviderPageNext(const std::vector<WizardLogin>& logins, int selection) {
  if (selection < 0 || selection >= static_cast<int>(logins.size())) return WizardLogin::kNone;
  return logins[static_cast<std::size_t>(selection)];
}

std::vector<RefreshWizardPage> PlanRefreshWizard(WizardLogin login) {
  std::vector<RefreshWizardPage> pages = {RefreshWizardPage::kCheck};
  if (login == WizardLogin::kOtp) pages.push_back(RefreshWizardPage::kOtp);
  if (login == WizardLogin::kBrowser) pages.push_back(RefreshWizardPage::kBrowser);
  return pages;
}

FinishText ChooseFinishText(bool havePolicy, bool outdated, bool pinChangeDue) {
  if (!havePolicy) return FinishText::kNoPolicy;
  return outdated || pinChangeDue ? FinishText::kCheckAccount : FinishText::kRetrieved;
}

WizardMessage WizardFailureMessage(bool policyError, int loginError, int loginStatus, int serviceError) {
  if (policyError) return WizardMessage::kPolicyError;
  if (loginError != 0) {
    return loginStatus == kLoginRefused ? WizardMessage::kWrongOtp : WizardMessage::kLoginUnavailable;
  }
  if (serviceError != 0) return WizardMessage::kServiceError;
  return WizardMessage::kNone;
}

RefreshCheckOutcome RefreshCheckResult(bool havePolicy, bool policyError, int serviceError) {
  if (policyError) return RefreshCheckOutcome::kPolicyError;
  if (serviceError != 0) return RefreshCheckOutcome::kServiceError;
  return havePolicy ? RefreshCheckOutcome::kStoreAndClose : RefreshCheckOutcome::kLogin;
}

}  // namespace luma::ui
