// What the authentication pages make of a service's answer, decided without windows: which caches
// change after a PIN check, which text the user gets, and whether the dialog ends, moves on or waits
// for new input. The pages only carry these decisions out.
#ifndef LUMA_UI_CORE_AUTH_OUTCOME_H_
#define LUMA_UI_CORE_AUTH_OUTCOME_H_

#include <string>

namespace luma::ui {

// Answers of the service's PIN check.
constexpr int kPinOk = 0;
constexpr int kPinInvalid = 1;
constexpr int kPinBlocked = 2;
// The HTTP status of a redirect to the service's login: the session is gone.
constexpr int kRedirectStatus = 303;
// The HTTP status of a refused one-time-password login.
constexpr int kLoginRefusedStatus = 403;

// What a PIN check does to the certificate's cached PIN and blocked mark.
enum class PinCacheAction {
  kNone,
  kStorePin,              // the typed PIN is cached; caching clears the blocked mark
  kClearBlocked,          // a cached PIN was confirmed
  kRemovePin,             // wrong: the PIN goes, the blocked mark is cleared
  kRemovePinMarkBlocked,  // blocked: the PIN goes, the certificate is marked
};

// A PIN the user typed (storeTyped) is cached on success; a cached PIN only has its mark cleared.
PinCacheAction PinCheckCacheAction(int status, bool storeTyped);

// The password page's verdict on a check that answered: blocked when the service says so or counts
// no tries left; the tries as the service counted them after a wrong PIN, else -1 (unknown).
struct PinCheckVerdict {
  bool blocked = false;
  int remainingTries = -1;
};
PinCheckVerdict PasswordCheckVerdict(int status, int remainingTries);

// How a failed call ended: not at all, by a redirect to the service's own login (the session is no
// longer valid), by a redirect elsewhere, or with another error.
enum class ServiceFailure { kNone, kSessionExpired, kForeignRedirect, kError };
ServiceFailure ClassifyServiceFailure(int errorCode, int httpStatus, bool redirectToOwnLogin);

// The texts of the pages (string ids of the program's string table; kRaw is the service's own text).
enum class AuthMessage {
  kNone,
  kServiceError,          // 10034 "Error calling service:\n\n%s" with the error's text
  kServiceUnavailable,    // 10035 "Unable to authenticate user ...%s"
  kWrongPassword,         // 10038
  kWrongPasswordTries,    // 10037 with the remaining tries
  kWrongPasswordBlocked,  // 10040, with the stop icon
  kRaw,                   // the service's text unchanged
};

enum class DialogAction {
  kStay,       // the page waits for new input
  kEndOk,      // the dialog ends with IDOK
  kEndCancel,  // the dialog ends with IDCANCEL (its failure result)
  kNextPage,   // the following page
  kOtpPage,    // the one-time-password page, when the dialog holds one
};

struct PageOutcome {
  AuthMessage message = AuthMessage::kNone;
  // Whether the message is also kept as the page's status line.
  bool statusLine = false;
  DialogAction action = DialogAction::kStay;
};

// The password page after its worker: the call's failure, the check's status and verdict.
struct PasswordAttempt {
  ServiceFailure failure = ServiceFailure::kNone;
  int status = kPinInvalid;  // until the service answered
  PinCheckVerdict verdict;
};
PageOutcome PasswordPageOutcome(const PasswordAttempt& attempt);

// The one-time-password page after its worker.
struct OtpAttempt {
  int loginError = 0;
  int loginStatus = 0;
  int verifyError = 0;
  bool certificateHasPin = false;
  bool pinCachedNow = false;
  bool hasNextPage = false;
};
PageOutcome OtpPageOutcome(const OtpAttempt& attempt);

// The check page's choice of the following page: a template id, or 0 or less for simply the next one.
struct CheckNextPages {
  int none = 0;
  int tokenOnly = 0;
  int pinOnly = 0;
  int both = 0;
};
int CheckPageNext(const CheckNextPages& pages, bool haveToken, bool havePin);

// What the check page's worker makes of a failed call: drop the session token (a redirect to the
// service's own login), keep going (a redirect elsewhere), or report the error.
enum class CheckFailure { kNone, kDropToken, kIgnore, kReport };
CheckFailure ClassifyCheckFailure(int httpStatus, bool redirectToOwnLogin);

// The status line's text: every "\r\n", lone "\n" and "<br/>" becomes one "\r\n", so that the
// multi-line edit control breaks the line there.
std::wstring StatusLineText(const std::wstring& text);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_AUTH_OUTCOME_H_
