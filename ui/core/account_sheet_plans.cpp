#include "ui/core/account_sheet_plans.h"

namespace luma::ui::accounts {

AddWizardPlan PlanAddWizard(const std::vector<SignInMethod>& providers) {
  AddWizardPlan plan;
  for (const SignInMethod& method : providers) {
    if (!method.known) continue;
    if (!method.interactive) {
      plan.checkPage = true;
    } else if (method.type == kAuthOneTimePassword) {
      plan.otpPage = true;
    } else if (method.type == kAuthBrowser) {
      plan.browserPage = true;
    }
  }
  plan.preselectOnly = providers.size() == 1;
  plan.providerPage = !plan.preselectOnly;
  return plan;
}

PinChangePlan PlanPinChange(const SignInMethod& method) {
  PinChangePlan plan;
  int login = kPinChangePageTemplate;
  if (method.known && method.interactive && method.type == kAuthOneTimePassword) {
    login = kOtpPageTemplate;
    plan.login = LoginPage::kOneTimePassword;
  } else if (method.known && method.interactive && method.type == kAuthBrowser) {
    login = kBrowserPageTemplate;
    plan.login = LoginPage::kBrowser;
  }
  plan.nextPages[0] = login;
  plan.nextPages[1] = kPinChangePageTemplate;
  plan.nextPages[2] = login;
  plan.nextPages[3] = kPinChangePageTemplate;
  return plan;
}

}  // namespace luma::ui::accounts
