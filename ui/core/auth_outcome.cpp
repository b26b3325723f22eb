#include "ui/core/auth_outcome.h"

namespace luma::ui {

PinCacheAction PinCheckCacheAction(int status, bool storeTyped) {
  switch (status) {
    case kPinOk:
      return storeTyped ? PinCacheAction::kStorePin : PinCacheAction::kClearBlocked;
    case kPinInvalid:
      return PinCacheAction::kRemovePin;
    case kPinBlocked:
      return PinCacheAction::kRemovePinMarkBlocked;
    default:
      return PinCacheAction::kNone;  // key usage or PIN rules: the PIN itself was not judged
  }
}

PinCheckVerdict PasswordCheckVerdict(int status, int remainingTries) {
  PinCheckVerdict verdict;
  if (status == kPinInvalid) {
    verdict.remainingTries = remainingTries < 0 ? -1 : remainingTries;
    verdict.blocked = remainingTries == 0;
  } else if (status == kPinBlocked) {
    verdict.blocked = true;
    verdict.remainingTries = 0;
  }
  return verdict;
}

ServiceFailure ClassifyServiceFailure(int errorCode, int httpStatus, bool redirectToOwnLogin) {
  if (httpStatus == kRedirectStatus) {
    return redirectToOwnLogin ? ServiceFailure::kSessionExpired : ServiceFailure::kForeignRedirect;
  }
  return errorCode != 0 ? ServiceFailure::kError : ServiceFailure::kNone;
}

PageOutcome PasswordPageOutcome(const PasswordAttempt& attempt) {
  PageOutcome outcome;
  switch (attempt.failure) {
    case ServiceFailure::kSessionExpired:
      // The user id in the box says whose session it was; the status line stays empty.
      outcome.message = AuthMessage::kServiceUnavailable;
      outcome.action = DialogAction::kOtpPage;
      return outcome;
    case ServiceFailure::kForeignRedirect:
    case ServiceFailure::kError:
      outcome.message = AuthMessage::kServiceError;
      outcome.statusLine = true;
      return outcome;
    case ServiceFailure::kNone:
      break;
  }
  if (attempt.status == kPinOk) {
    outcome.action = DialogAction::kEndOk;
    return outcome;
  }
  if (attempt.verdict.blocked) {
    outcome.message = AuthMessage::kWrongPasswordBlocked;
    outcome.action = DialogAction::kEndCancel;
    return outcome;
  }
  outcome.message =
      attempt.verdict.remainingTries < 0 ? AuthMessage::kWrongPassword : AuthMessage::kWrongPasswordTries;
  outcome.statusLine = true;
  return outcome;
}

PageOutcome OtpPageOutcome(const OtpAttempt& attempt) {
  PageOutcome outcome;
  if (attempt.loginError != 0) {
    outcome.message =
        attempt.loginStatus == kLoginRefusedStatus ? AuthMessage::kRaw : AuthMessage::kServiceUnavailable;
    outcome.statusLine = true;
    return outcome;
  }
  if (attempt.verifyError != 0) {
    outcome.message = AuthMessage::kServiceError;
    outcome.statusLine = true;
    return outcome;
  }
  if (attempt.certificateHasPin && !attempt.pinCachedNow) {
    // Without a page to ask for the PIN the dialog must not wait on a page nobody can use: it ends
    // with its failure result, and the lock of the authentication goes with it.
    outcome.action = attempt.hasNextPage ? DialogAction::kNextPage : DialogAction::kEndCancel;
    return outcome;
  }
  outcome.action = DialogAction::kEndOk;
  return outcome;
}

int CheckPageNext(const CheckNextPages& pages, bool haveToken, bool havePin) {
  if (haveToken) return havePin ? pages.both : pages.tokenOnly;
  return havePin ? pages.pinOnly : pages.none;
}

CheckFailure ClassifyCheckFailure(int httpStatus, bool redirectToOwnLogin) {
  if (httpStatus == kRedirectStatus)
    return redirectToOwnLogin ? CheckFailure::kDropToken : CheckFailure::kIgnore;
  return CheckFailure::kReport;
}

std::wstring StatusLineText(const std::wstring& text) {
  static const wchar_t kBreak[] = L"<br/>";
  constexpr size_t kBreakLength = sizeof kBreak / sizeof kBreak[0] - 1;
  std::wstring out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      out += L"\r\n";
      ++i;
    } else if (text[i] == L'\n') {
      out += L"\r\n";
    } else if (text.compare(i, kBreakLength, kBreak) == 0) {
      out += L"\r\n";
      i += kBreakLength - 1;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace luma::ui
