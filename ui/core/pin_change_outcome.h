// What the PIN change page shows and does, decided without windows: the texts of the password
// rules, when OK may be pressed, and what the service's answer to a change means for the dialog.
#ifndef LUMA_UI_CORE_PIN_CHANGE_OUTCOME_H_
#define LUMA_UI_CORE_PIN_CHANGE_OUTCOME_H_

#include <vector>

namespace luma::ui {

// The counts of a certificate's password rules.
struct PinRuleCounts {
  int minLength = 0;
  int maxLength = 0;
  int minUpperCase = 0;
  int minLowerCase = 0;
  int minDigits = 0;
  int minSymbols = 0;
};

// One rule line: a string id of the program's table with up to two numbers, greyed when the rule
// asks nothing.
struct RuleLine {
  unsigned textId = 0;
  int first = 0;
  int second = 0;
  bool enabled = true;
};

// The lines of length, upper case, lower case, digits and special characters, in that order.
std::vector<RuleLine> PasswordRuleLines(const PinRuleCounts& counts);

// OK needs every rule met and a current password, unless the certificate's password may be empty
// (minimum length 0, maximum above 0).
bool PinChangeOkEnabled(bool allRulesMet, bool currentEmpty, const PinRuleCounts& counts);

enum class PinChangeMessage {
  kServiceError,        // 10034 with the call's message
  kChanged,             // 10049
  kPolicyViolation,     // 10051
  kBlocked,             // 10040
  kWrongPassword,       // 10038
  kWrongPasswordTries,  // 10037 with the tries left
};

enum class PinChangeStep {
  kKeepInput,   // the same input may be sent again
  kEndChanged,  // the dialog ends with OK
  kEndBlocked,  // the dialog ends with Cancel
  kClearInput,  // the fields are emptied for a new try
};

struct PinChangeOutcome {
  PinChangeMessage message = PinChangeMessage::kServiceError;
  PinChangeStep step = PinChangeStep::kKeepInput;
};

// failed: the call did not get an answer; status, blocked and remainingTries as the worker saw them.
PinChangeOutcome DecidePinChange(bool failed, int status, bool blocked, int remainingTries);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_PIN_CHANGE_OUTCOME_H_
