// What an interactive authentication of a key operation shows and what it answers, decided without
// windows: whether a dialog is needed and which pages it holds, and the smart-card status each way
// out of the authentication gives the request. The handler only carries these decisions out.
#ifndef LUMA_UI_CORE_AUTH_PLAN_H_
#define LUMA_UI_CORE_AUTH_PLAN_H_

#include <cstdint>
#include <vector>

namespace luma::ui {

// The statuses a key operation's authentication answers with (smart-card codes).
constexpr std::uint32_t kAuthGranted = 0;
constexpr std::uint32_t kAuthStopped = 0x80100069;     // SCARD_W_REMOVED_CARD
constexpr std::uint32_t kAuthNotAllowed = 0x8010006A;  // SCARD_W_SECURITY_VIOLATION
constexpr std::uint32_t kAuthBlocked = 0x8010006C;     // SCARD_W_CHV_BLOCKED
constexpr std::uint32_t kAuthCancelled = 0x8010006E;   // SCARD_W_CANCELLED_BY_USER

// The provider's login methods that have a login page of their own here.
constexpr int kAuthTypeOtp = 2;
constexpr int kAuthTypeBrowser = 7;

enum class AuthPage { kOtpLogin, kBrowserLogin, kCheck, kPassword };

struct AuthSituation {
  int authType = 0;
  bool interactive = false;   // the provider's login needs the user
  bool accountReady = false;  // not interactive, or a session token is cached
  bool pinReady = false;      // no PIN, or a valid one is cached
  bool qualified = false;     // the certificate makes qualified signatures
};

enum class AuthPlanKind {
  kGrant,    // nothing to ask
  kConfirm,  // only the qualified signature's confirmation
  kDialog,   // the pages below
  kCancel,   // nothing can be asked that would help: cancelled without a window
};

struct AuthPlan {
  AuthPlanKind kind = AuthPlanKind::kGrant;
  std::vector<AuthPage> pages;
};

AuthPlan PlanAuthentication(const AuthSituation& situation);

// How the wait for the one-dialog-at-a-time lock ended. An abandoned lock (its last owner ended
// without releasing it) is owned by the waiter all the same and counts as obtained.
enum class AuthLockWait { kObtained, kStopped, kFailed };
// result: what WaitForMultipleObjects answered for {lock, stop event}.
AuthLockWait ClassifyAuthLockWait(std::uint32_t result);

// The status of a dialog that ended with `dialogResult` (IDOK is 1), the certificate's blocked mark
// read afterwards, and whether the program was stopping meanwhile.
std::uint32_t AuthDialogStatus(int dialogResult, bool blocked, bool stopping);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_AUTH_PLAN_H_
