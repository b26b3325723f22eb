// What the add-account and refresh-account wizards are made of, decided without windows: the login
// page a provider's method asks for, the pages of a sheet, the finish page's text and the message a
// failed login or policy fetch gives. The wizards' pages only carry these decisions out.
#ifndef LUMA_UI_CORE_ACCOUNT_WIZARD_PLAN_H_
#define LUMA_UI_CORE_ACCOUNT_WIZARD_PLAN_H_

#include <cstddef>
#include <vector>

namespace luma::ui {

// The authentication types that have a login page of their own (the numbers of the provider's
// "AuthenticationType").
constexpr int kWizardOtpType = 2;
constexpr int kWizardBrowserType = 7;

// How an account of a provider logs in inside a wizard: silently (check page), with the
// one-time-password form, in the browser, or not at all (the other interactive methods, or a provider
// without a known method).
enum class WizardLogin { kNone, kCheck, kOtp, kBrowser };
WizardLogin WizardLoginFor(bool hasMethod, int authType, bool interactive);

enum class AddWizardPage { kProvider, kCheck, kOtp, kBrowser, kFinish };

struct AddWizardPlan {
  // In sheet order; empty when there is nothing to add an account at.
  std::vector<AddWizardPage> pages;
  // The provider chosen before the sheet opens; -1 when the provider page chooses.
  int preselected = -1;
  // The sheet can never fetch a policy: the chosen provider has no login page.
  bool withoutLogin = false;
};

// logins: each configured provider's login, in the list's order. named: the index of the one provider
// a protocol URL named, or -1 to offer them all. One login page of each kind serves every provider
// of that kind.
AddWizardPlan PlanAddWizard(const std::vector<WizardLogin>& logins, int named);

// The provider page's Next for the provider at `selection`: the login page to go to, or kNone to stay
// (a selection outside the list, or a provider without login page).
WizardLogin ProviderPageNext(const std::vector<WizardLogin>& logins, int selection);

enum class RefreshWizardPage { kCheck, kOtp, kBrowser };
// The silent check first; the provider's interactive login page, when it has one, after it.
std::vector<RefreshWizardPage> PlanRefreshWizard(WizardLogin login);

// The finish page's text: none without a policy (Finish stays disabled and nothing is stored); the
// reminder to look at the account when the policy is outdated or a password change is due; else
// the plain success text.
enum class FinishText { kNoPolicy, kCheckAccount, kRetrieved };
FinishText ChooseFinishText(bool havePolicy, bool outdated, bool pinChangeDue);

// The message of a failed login page run, the first that applies: the policy's error, a refused
// one-time-password login (403), another login failure, a service failure.
enum class WizardMessage { kNone, kPolicyError, kWrongOtp, kLoginUnavailable, kServiceError };
WizardMessage WizardFailureMessage(bool policyError, int loginError, int loginStatus, int serviceError);

// The refresh wizard's silent check after its worker: store the new policy and close; move on to the
// interactive login (the session was redirected); or show the failure and close.
enum class RefreshCheckOutcome { kStoreAndClose, kLogin, kPolicyError, kServiceError };
RefreshCheckOutcome RefreshCheckResult(bool havePolicy, bool policyError, int serviceError);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_ACCOUNT_WIZARD_PLAN_H_
