#include "ui/core/auth_outcome.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

// A SOAP fault and a refused form login, as the service clients report them.
constexpr int kFault = static_cast<int>(0x803D0013u);
constexpr int kDenied = static_cast<int>(0x803D000Au);

TEST(PinCheckTest, CacheActionsAndVerdictsOfEveryAnswer) {
  struct Case {
    int status;
    int tries;
    PinCacheAction typed;   // the password page
    PinCacheAction cached;  // the check and one-time-password pages
    bool blocked;
    int remainingTries;
  } cases[] = {
      {kPinOk, 3, PinCacheAction::kStorePin, PinCacheAction::kClearBlocked, false, -1},
      {kPinInvalid, 2, PinCacheAction::kRemovePin, PinCacheAction::kRemovePin, false, 2},
      {kPinInvalid, -1, PinCacheAction::kRemovePin, PinCacheAction::kRemovePin, false, -1},
      // The last try used up: blocked for the dialog, but the mark is cleared, not set.
      {kPinInvalid, 0, PinCacheAction::kRemovePin, PinCacheAction::kRemovePin, true, 0},
      {kPinBlocked, 5, PinCacheAction::kRemovePinMarkBlocked, PinCacheAction::kRemovePinMarkBlocked, true, 0},
      {3, 0, PinCacheAction::kNone, PinCacheAction::kNone, false, -1},
      {4, 2, PinCacheAction::kNone, PinCacheAction::kNone, false, -1},
      {77, 1, PinCacheAction::kNone, PinCacheAction::kNone, false, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.typed, PinCheckCacheAction(c.status, true)) << c.status;
    EXPECT_EQ(c.cached, PinCheckCacheAction(c.status, false)) << c.status;
    const PinCheckVerdict verdict = PasswordCheckVerdict(c.status, c.tries);
    EXPECT_EQ(c.blocked, verdict.blocked) << c.status << "/" << c.tries;
    EXPECT_EQ(c.remainingTries, verdict.remainingTries) << c.status << "/" << c.tries;
  }
}

TEST(ServiceFailureTest, RedirectsAreToldByTheirTarget) {
  struct Case {
    int error, status;
    bool ownLogin;
    ServiceFailure failure;
    CheckFailure check;
  } cases[] = {
      {0, 0, false, ServiceFailure::kNone, CheckFailure::kReport},
      {12, 303, true, ServiceFailure::kSessionExpired, CheckFailure::kDropToken},
      {12, 303, false, ServiceFailure::kForeignRedirect, CheckFailure::kIgnore},
      {kFault, 500, true, ServiceFailure::kError, CheckFailure::kReport},
      {12029, 0, false, ServiceFailure::kError, CheckFailure::kReport},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.failure, ClassifyServiceFailure(c.error, c.status, c.ownLogin)) << c.status;
    EXPECT_EQ(c.check, ClassifyCheckFailure(c.status, c.ownLogin)) << c.status;
  }
}

TEST(PasswordPageOutcomeTest, MessageStatusLineAndDialog) {
  using A = AuthMessage;
  using D = DialogAction;
  struct Case {
    const char* name;
    ServiceFailure failure;
    int status, tries;
    A message;
    bool statusLine;
    D action;
  } cases[] = {
      {"accepted", ServiceFailure::kNone, kPinOk, 3, A::kNone, false, D::kEndOk},
      {"wrong, tries known", ServiceFailure::kNone, kPinInvalid, 2, A::kWrongPasswordTries, true, D::kStay},
      {"wrong, tries unknown", ServiceFailure::kNone, kPinInvalid, -1, A::kWrongPassword, true, D::kStay},
      {"wrong, last try", ServiceFailure::kNone, kPinInvalid, 0, A::kWrongPasswordBlocked, false,
       D::kEndCancel},
      {"blocked", ServiceFailure::kNone, kPinBlocked, 0, A::kWrongPasswordBlocked, false, D::kEndCancel},
      {"key usage", ServiceFailure::kNone, 3, 0, A::kWrongPassword, true, D::kStay},
      {"PIN rules", ServiceFailure::kNone, 4, 0, A::kWrongPassword, true, D::kStay},
      {"session gone", ServiceFailure::kSessionExpired, kPinInvalid, -1, A::kServiceUnavailable, false,
       D::kOtpPage},
      {"redirect elsewhere", ServiceFailure::kForeignRedirect, kPinInvalid, -1, A::kServiceError, true,
       D::kStay},
      {"service error", ServiceFailure::kError, kPinInvalid, -1, A::kServiceError, true, D::kStay},
  };
  for (const Case& c : cases) {
    PasswordAttempt attempt;
    attempt.failure = c.failure;
    attempt.status = c.status;
    attempt.verdict = PasswordCheckVerdict(c.status, c.tries);
    const PageOutcome outcome = PasswordPageOutcome(attempt);
    EXPECT_EQ(c.message, outcome.message) << c.name;
    EXPECT_EQ(c.statusLine, outcome.statusLine) << c.name;
    EXPECT_EQ(c.action, outcome.action) << c.name;
  }
}

TEST(OtpPageOutcomeTest, MessageAndDialog) {
  using A = AuthMessage;
  using D = DialogAction;
  struct Case {
    const char* name;
    OtpAttempt attempt;  // loginError, loginStatus, verifyError, hasPin, cachedNow, hasNext
    A message;
    D action;
  } cases[] = {
      {"no PIN needed", {0, 0, 0, false, false, true}, A::kNone, D::kEndOk},
      {"cached PIN verified", {0, 0, 0, true, true, true}, A::kNone, D::kEndOk},
      {"PIN missing, password page follows", {0, 0, 0, true, false, true}, A::kNone, D::kNextPage},
      // No page follows to ask for the PIN: the dialog ends instead of waiting on a disabled page.
      {"PIN missing, last page", {0, 0, 0, true, false, false}, A::kNone, D::kEndCancel},
      {"login refused", {kDenied, 403, 0, true, true, true}, A::kRaw, D::kStay},
      {"login failed", {12029, 0, 0, true, true, true}, A::kServiceUnavailable, D::kStay},
      {"login failed with 500", {kDenied, 500, 0, false, false, false}, A::kServiceUnavailable, D::kStay},
      {"verification failed", {0, 0, kFault, true, true, true}, A::kServiceError, D::kStay},
  };
  for (const Case& c : cases) {
    const PageOutcome outcome = OtpPageOutcome(c.attempt);
    EXPECT_EQ(c.message, outcome.message) << c.name;
    EXPECT_EQ(c.action, outcome.action) << c.name;
    EXPECT_EQ(c.message != A::kNone, outcome.statusLine) << c.name;
  }
}

TEST(CheckPageNextTest, TheCallersTables) {
  const CheckNextPages authentication;  // every outcome: simply the next page
  const CheckNextPages changeOtp{10108, 10110, 10108, 10110};
  struct Case {
    bool token, pin;
    int authenticationNext, changeOtpNext;
  } cases[] = {
      {false, false, 0, 10108},
      {true, false, 0, 10110},
      {false, true, 0, 10108},
      {true, true, 0, 10110},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.authenticationNext, CheckPageNext(authentication, c.token, c.pin));
    EXPECT_EQ(c.changeOtpNext, CheckPageNext(changeOtp, c.token, c.pin)) << c.token << c.pin;
  }
  EXPECT_EQ(4, CheckPageNext({1, 2, 3, 4}, true, true));
  EXPECT_EQ(3, CheckPageNext({1, 2, 3, 4}, false, true));
}

// Three lines, broken by a lone line feed and by "<br/>", show as three lines; a break that is already
// the control's own stays one break.
TEST(StatusLineTextTest, LineBreaksBecomeTheControls) {
  struct Case {
    const wchar_t* text;
    const wchar_t* shown;
  } cases[] = {
      {L"one\ntwo<br/>three", L"one\r\ntwo\r\nthree"},
      {L"a\r\nb", L"a\r\nb"},
      {L"a\n\nb", L"a\r\n\r\nb"},
      {L"<br/><br/>", L"\r\n\r\n"},
      {L"a\rb<br>c<br/", L"a\rb<br>c<br/"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(std::wstring(c.shown), StatusLineText(c.text)) << c.text;
}

}  // namespace
}  // namespace luma::ui
