#include "ui/core/auth_plan.h"

namespace luma::ui {
namespace {

// WaitForMultipleObjects' answers for two objects.
constexpr std::uint32_t kWaitObject0 = 0x00000000;
constexpr std::uint32_t kWaitAbandoned0 = 0x00000080;
constexpr int kIdOk = 1;

}  // namespace

AuthPlan PlanAuthentication(const AuthSituation& s) {
  AuthPlan plan;
  if (s.accountReady && s.pinReady) {
    plan.kind = s.qualified ? AuthPlanKind::kConfirm : AuthPlanKind::kGrant;
    return plan;
  }
  if (!s.accountReady && s.interactive) {
    if (s.authType == kAuthTypeOtp) plan.pages.push_back(AuthPage::kOtpLogin);
    if (s.authType == kAuthTypeBrowser) plan.pages.push_back(AuthPage::kBrowserLogin);
  }
  if (s.accountReady && !s.interactive) plan.pages.push_back(AuthPage::kCheck);
  if (!s.pinReady) plan.pages.push_back(AuthPage::kPassword);
  // A login method without a page of its own and nothing else to ask: an empty sheet could only be
  // cancelled, so none is shown.
  plan.kind = plan.pages.empty() ? AuthPlanKind::kCancel : AuthPlanKind::kDialog;
  return plan;
}

AuthLockWait ClassifyAuthLockWait(std::uint32_t result) {
  if (result == kWaitObject0 || result == kWaitAbandoned0) return AuthLockWait::kObtained;
  if (result == kWaitObject0 + 1) return AuthLockWait::kStopped;
  return AuthLockWait::kFailed;  // the stop event cannot be abandoned; anything else is a failure
}

std::uint32_t AuthDialogStatus(int dialogResult, bool blocked, bool stopping) {
  if (dialogResult == kIdOk) return kAuthGranted;
  if (blocked) return kAuthBlocked;
  return stopping ? kAuthStopped : kAuthCancelled;
}

}  // namespace luma::ui
