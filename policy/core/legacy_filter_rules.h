// What the items of the list syntax compare: the operator rules of each kind of certificate value,
// the conversion of item values and the day counts of a certificate's validity.
#ifndef LUMA_POLICY_CORE_LEGACY_FILTER_RULES_H_
#define LUMA_POLICY_CORE_LEGACY_FILTER_RULES_H_

#include <cstdint>
#include <set>

#include "foundation/core/platform.h"
#include "policy/core/legacy_filter_list.h"

namespace luma::policy {

// Key usage: "+" any bit of the mask set, "-" none set, "=" exactly the mask, "!" anything else. A mask
// of 0 (no keyword) matches nothing.
bool MatchLegacyKeyUsage(LegacyFilterOperator op, std::uint32_t keyUsage, std::uint32_t mask);

// Enhanced key usages: "+" holds the usage, "-" does not; "=" holds exactly that one usage, "!" holds
// exactly one other usage (so "!" is not the negation of "=").
bool MatchLegacyEnhancedKeyUsages(LegacyFilterOperator op, const std::set<WString>& usages,
                                  const WString& usage);

// Names: "+" the certificate's text contains the item's text, "-" does not, "=" equal, "!" not equal.
// Both sides are already in upper case.
bool MatchLegacyText(LegacyFilterOperator op, const WString& certificateText, const WString& text);

// The authority key identifier is compared whole: "+" and "=" equal, "-" and "!" not equal.
bool MatchLegacyIdentifier(LegacyFilterOperator op, const WString& certificateText, const WString& text);

// Day counts and key lengths, both sides as unsigned 32-bit numbers: "+" at least the value, "-" below,
// "=" equal, "!" not equal.
bool MatchLegacyNumber(LegacyFilterOperator op, std::uint32_t certificateNumber, std::int32_t value);

// The text value of the name items: upper case, trimmed.
WString LegacyTextValue(const WString& value);
// The numeric value of the day and length items: a decimal integer after optional blanks and sign,
// anything after its digits ignored; 0 when there is none, held at the 32-bit limits when too large.
std::int32_t LegacyNumberValue(const WString& value);

// Day counts from FILETIME values (100 ns units since 1601), in whole seconds and 64-bit arithmetic, so
// that dates on either side of the 32-bit seconds limit (in 2009) compare correctly.
std::uint32_t CertificateLifetimeDays(std::uint64_t notBefore, std::uint64_t notAfter);
// 0 once `now` has reached notAfter; a certificate that expires within a day also has 0.
std::uint32_t CertificateRemainingDays(std::uint64_t now, std::uint64_t notAfter);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_LEGACY_FILTER_RULES_H_
