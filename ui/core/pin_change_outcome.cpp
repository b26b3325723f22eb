#include "ui/core/pin_change_outcome.h"

namespace luma::ui {
namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusPolicyViolation = 4;

// The three texts of a counted rule: none required, one, and n.
RuleLine CountLine(int count, unsigned none, unsigned one, unsigned many) {
  RuleLine line;
  if (count <= 0) {
    line.textId = none;
    line.enabled = false;
  } else {
    line.textId = count == 1 ? one : many;
    line.first = count;
  }
  return line;
}

}  // namespace

std::vector<RuleLine> PasswordRuleLines(const PinRuleCounts& c) {
  std::vector<RuleLine> lines;
  RuleLine length;
  if (c.minLength == 0 && c.maxLength == 0) {
    length.textId = 10003;  // "No length restrictions"
    length.enabled = false;
  } else {
    length.textId = 10005;  // "Length is between %d and %d characters"
    length.first = c.minLength;
    length.second = c.maxLength;
  }
  lines.push_back(length);
  lines.push_back(CountLine(c.minUpperCase, 10006, 10007, 10008));
  lines.push_back(CountLine(c.minLowerCase, 10011, 10014, 10015));
  lines.push_back(CountLine(c.minDigits, 10017, 10018, 10019));
  lines.push_back(CountLine(c.minSymbols, 10021, 10023, 10025));
  return lines;
}

bool PinChangeOkEnabled(bool allRulesMet, bool currentEmpty, const PinRuleCounts& counts) {
  const bool emptyAllowed = counts.minLength == 0 && counts.maxLength > 0;
  return allRulesMet && (!currentEmpty || emptyAllowed);
}

PinChangeOutcome DecidePinChange(bool failed, int status, bool blocked, int remainingTries) {
  if (failed) return {PinChangeMessage::kServiceError, PinChangeStep::kKeepInput};
  if (status == kStatusOk) return {PinChangeMessage::kChanged, PinChangeStep::kEndChanged};
  if (status == kStatusPolicyViolation)
    return {PinChangeMessage::kPolicyViolation, PinChangeStep::kClearInput};
  if (blocked) return {PinChangeMessage::kBlocked, PinChangeStep::kEndBlocked};
  if (remainingTries < 0) return {PinChangeMessage::kWrongPassword, PinChangeStep::kClearInput};
  return {PinChangeMessage::kWrongPasswordTries, PinChangeStep::kClearInput};
}

}  // namespace luma::ui
