// The state behind the rule list of the change-PIN page: which rules of the certificate's PIN
// constraints a new PIN meets.
#ifndef LUMA_POLICY_CORE_PIN_RULE_CHECKER_H_
#define LUMA_POLICY_CORE_PIN_RULE_CHECKER_H_

#include "policy/core/pin_constraints.h"

class CPinRuleChecker {
 public:
  explicit CPinRuleChecker(const CPinConstraints& constraints) : constraints(constraints) {}
  virtual ~CPinRuleChecker() = default;

  // Each buffer holds UTF-16 text with its terminating zero. Recomputes the flags; true when any
  // changed (and always while a certificate without PIN keeps an empty PIN equal to the current).
  bool Evaluate(const CSecureBuffer& currentPin, const CSecureBuffer& newPin,
                const CSecureBuffer& confirmation);

  CPinConstraints constraints;
  bool minLengthMet = false;
  bool maxLengthMet = false;
  bool numericMet = false;
  bool symbolMet = false;
  bool upperCaseMet = false;
  bool lowerCaseMet = false;
  bool confirmationMatches = false;
  bool differsFromCurrent = false;
};

#endif  // LUMA_POLICY_CORE_PIN_RULE_CHECKER_H_
