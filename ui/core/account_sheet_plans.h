// Which pages the account list's sheets get, from the providers' sign-in methods: the add-account
// wizard (one page of each kind at most, the provider page unless there is one provider only) and
// the password change (a check page, a login page for the methods that have one, then the change).
#ifndef LUMA_UI_CORE_ACCOUNT_SHEET_PLANS_H_
#define LUMA_UI_CORE_ACCOUNT_SHEET_PLANS_H_

#include <vector>

namespace luma::ui::accounts {

// Sign-in methods with a page of their own.
constexpr int kAuthOneTimePassword = 2;
constexpr int kAuthBrowser = 7;

// Page templates the check page moves on to.
constexpr int kOtpPageTemplate = 10108;
constexpr int kPinChangePageTemplate = 10110;
constexpr int kBrowserPageTemplate = 10173;

struct SignInMethod {
  int type = 0;
  bool interactive = true;
  bool known = true;  // false: the provider names no method the program knows
};

struct AddWizardPlan {
  bool providerPage = false;   // several providers (or none): the user chooses
  bool preselectOnly = false;  // exactly one provider: it is chosen for the user
  bool checkPage = false;
  bool otpPage = false;
  bool browserPage = false;
};
// Walks the providers in order: a check page for the first one that needs no user, a one-time
// password page and a browser page for the first interactive one of each method.
AddWizardPlan PlanAddWizard(const std::vector<SignInMethod>& providers);

enum class LoginPage { kNone, kOneTimePassword, kBrowser };
struct PinChangePlan {
  // The check page's next page templates by its outcome (nothing, token, PIN, both missing): the
  // login page's, or the password change page's (10110) when there is no login page.
  int nextPages[4] = {};
  LoginPage login = LoginPage::kNone;
};
// Interactive one-time password and browser logins get their page after the check page; every
// other method (a non-interactive one, and an interactive one without a page of its own, which then
// relies on a session the check page finds) gets the check page alone before the change page.
PinChangePlan PlanPinChange(const SignInMethod& method);

}  // namespace luma::ui::accounts

#endif  // LUMA_UI_CORE_ACCOUNT_SHEET_PLANS_H_
