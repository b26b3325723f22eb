#include "policy/core/legacy_filter_rules.h"

#include <limits>

#include "foundation/core/string_utils.h"

namespace {

constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr std::uint64_t kSecondsPerDay = 86400;

std::uint32_t DaysBetween(std::uint64_t earlier, std::uint64_t later) {
  const std::uint64_t from = earlier / kFileTimeUnitsPerSecond;
  const std::uint64_t to = later / kFileTimeUnitsPerSecond;
  if (to <= from) return 0;
  const std::uint64_t days = (to - from) / kSecondsPerDay;
  return days > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                          : static_cast<std::uint32_t>(days);
}

}  // namespace

namespace luma::policy {

bool MatchLegacyKeyUsage(LegacyFilterOperator op, std::uint32_t keyUsage, std::uint32_t mask) {
  if (mask == 0) return false;
  switch (op) {
    case LegacyFilterOperator::INCLUDES:
      return (keyUsage & mask) != 0;
    case LegacyFilterOperator::EXCLUDES:
      return (keyUsage & mask) == 0;
    case LegacyFilterOperator::EQUALS:
      return keyUsage == mask;
    case LegacyFilterOperator::NOT_EQUALS:
      return keyUsage != mask;
  }
  return false;
}

bool MatchLegacyEnhancedKeyUsages(LegacyFilterOperator op, const std::set<WString>& usages,
                                  const WString& usage) {
  const bool holds = usages.count(usage) != 0;
  switch (op) {
    case LegacyFilterOperator::INCLUDES:
      return holds;
    case LegacyFilterOperator::EXCLUDES:
      return !holds;
    case LegacyFilterOperator::EQUALS:
      return usages.size() == 1 && holds;
    case LegacyFilterOperator::NOT_EQUALS:
      return usages.size() == 1 && !holds;
  }
  return false;
}

bool MatchLegacyText(LegacyFilterOperator op, const WString& certificateText, const WString& text) {
  switch (op) {
    case LegacyFilterOperator::INCLUDES:
      return certificateText.find(text) != WString::npos;
    case LegacyFilterOperator::EXCLUDES:
      return certificateText.find(text) == WString::npos;
    case LegacyFilterOperator::EQUALS:
      return certificateText == text;
    case LegacyFilterOperator::NOT_EQUALS:
      return certificateText != text;
  }
  return false;
}

bool MatchLegacyIdentifier(LegacyFilterOperator op, const WString& certificateText, const WString& text) {
  const bool equal = certificateText == text;
  return (op == LegacyFilterOperator::INCLUDES || op == LegacyFilterOperator::EQUALS) ? equal : !equal;
}

bool MatchLegacyNumber(LegacyFilterOperator op, std::uint32_t certificateNumber, std::int32_t value) {
  const auto wanted = static_cast<std::uint32_t>(value);
  switch (op) {
    case LegacyFilterOperator::INCLUDES:
      return certificateNumber >= wanted;
    case LegacyFilterOperator::EXCLUDES:
      return certificateNumber < wanted;
    case LegacyFilterOperator::EQUALS:
      return certificateNumber == wanted;
    case LegacyFilterOperator::NOT_EQUALS:
      return certificateNumber != wanted;
  }
  return false;
}

WString LegacyTextValue(const WString& value) { return luma::TrimWhitespace(luma::ToUpperCase(value)); }

std::int32_t LegacyNumberValue(const WString& value) {
  const WString text = luma::TrimWhitespace(value);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == WSTR('+') || text[i] == WSTR('-'))) {
    negative = text[i] == WSTR('-');
    ++i;
  }
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= WSTR('0') && text[i] <= WSTR('9'); ++i) {
    magnitude = magnitude * 10 + (text[i] - WSTR('0'));
    if (magnitude > limit) {
      magnitude = limit;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::uint32_t CertificateLifetimeDays(std::uint64_t notBefore, std::uint64_t notAfter) {
  return DaysBetween(notBefore, notAfter);
}

std::uint32_t CertificateRemainingDays(std::uint64_t now, std::uint64_t notAfter) {
  return DaysBetween(now, notAfter);
}

}  // namespace luma::policy
