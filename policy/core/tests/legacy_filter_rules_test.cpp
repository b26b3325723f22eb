#include "policy/core/legacy_filter_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::Narrow;
using Op = LegacyFilterOperator;

constexpr Op kOps[] = {Op::INCLUDES, Op::EXCLUDES, Op::EQUALS, Op::NOT_EQUALS};

// FILETIME of a UTC date, in 100 ns units since 1601-01-01.
std::uint64_t FileTime(int year, int month, int day, int seconds = 0) {
  // Days from 1601-01-01 by the civil-from-days inverse (proleptic Gregorian).
  const int y = year - (month <= 2);
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t daysSince0000 = static_cast<std::int64_t>(era) * 146097 + doe;
  const std::int64_t daysSince1601 = daysSince0000 - 584694;  // 1601-01-01 (March-based count)
  return static_cast<std::uint64_t>(daysSince1601 * 86400 + seconds) * 10000000ULL;
}

TEST(LegacyFilterRulesTest, FileTimeHelperIsAnchoredAt1601) {
  EXPECT_EQ(FileTime(1601, 1, 1), 0u);
  EXPECT_EQ(FileTime(1970, 1, 1), 116444736000000000ULL);
}

TEST(LegacyFilterRulesTest, KeyUsageOperatorsAndTheEmptyMask) {
  const struct {
    std::uint32_t keyUsage, mask;
    bool includes, excludes, equals, notEquals;
  } cases[] = {
      {0x80, 0x80, true, false, true, false},    // digitalSignature alone
      {0x80, 0x8000, false, true, false, true},  // decipherOnly asked
      {0xA0, 0x80, true, false, false, true},    // digitalSignature and keyEncipherment
      {0x00, 0x80, false, true, false, true},    // no key usage extension
      {0x8001, 0x8000, true, false, false, true},
      {0x80, 0x00, false, false, false, false},  // no keyword: never matches
      {0x00, 0x00, false, false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(luma::policy::MatchLegacyKeyUsage(Op::INCLUDES, c.keyUsage, c.mask), c.includes)
        << c.keyUsage << "/" << c.mask;
    EXPECT_EQ(luma::policy::MatchLegacyKeyUsage(Op::EXCLUDES, c.keyUsage, c.mask), c.excludes)
        << c.keyUsage << "/" << c.mask;
    EXPECT_EQ(luma::policy::MatchLegacyKeyUsage(Op::EQUALS, c.keyUsage, c.mask), c.equals)
        << c.keyUsage << "/" << c.mask;
    EXPECT_EQ(luma::policy::MatchLegacyKeyUsage(Op::NOT_EQUALS, c.keyUsage, c.mask), c.notEquals)
        << c.keyUsage << "/" << c.mask;
  }
}

TEST(LegacyFilterRulesTest, EnhancedKeyUsageNotEqualsNeedsExactlyOneOtherUsage) {
  const WString client = WSTR("1.3.6.1.5.5.7.3.2");
  const WString server = WSTR("1.3.6.1.5.5.7.3.1");
  const struct {
    std::set<WString> usages;
    bool includes, excludes, equals, notEquals;
  } cases[] = {
      {{client}, true, false, true, false},
      {{server}, false, true, false, true},
      {{server, client}, true, false, false, false},
      {{}, false, true, false, false},
      {{server, WSTR("1.2.3")}, false, true, false, false},
  };
  for (const auto& c : cases) {
    const bool expected[] = {c.includes, c.excludes, c.equals, c.notEquals};
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(luma::policy::MatchLegacyEnhancedKeyUsages(kOps[i], c.usages, client), expected[i])
          << "operator " << i << " over " << c.usages.size() << " usages";
  }
}

TEST(LegacyFilterRulesTest, TextsCompareWholeOrByContainment) {
  const WString subject = WSTR("CN=ALICE EXAMPLE, O=EXAMPLE");
  const struct {
    const WCHAR* text;
    bool includes, excludes, equals, notEquals;
  } cases[] = {
      {WSTR("ALICE"), true, false, false, true},
      {WSTR("CN=ALICE EXAMPLE, O=EXAMPLE"), true, false, true, false},
      {WSTR("BOB"), false, true, false, true},
      {WSTR(""), true, false, false, true},  // the empty text is in every text
  };
  for (const auto& c : cases) {
    const bool expected[] = {c.includes, c.excludes, c.equals, c.notEquals};
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(luma::policy::MatchLegacyText(kOps[i], subject, c.text), expected[i])
          << Narrow(c.text) << " operator " << i;
  }
  // The authority key identifier has no containment.
  EXPECT_FALSE(luma::policy::MatchLegacyIdentifier(Op::INCLUDES, WSTR("AB12"), WSTR("AB")));
  EXPECT_TRUE(luma::policy::MatchLegacyIdentifier(Op::INCLUDES, WSTR("AB12"), WSTR("AB12")));
  EXPECT_TRUE(luma::policy::MatchLegacyIdentifier(Op::EQUALS, WSTR("AB12"), WSTR("AB12")));
  EXPECT_TRUE(luma::policy::MatchLegacyIdentifier(Op::EXCLUDES, WSTR("AB12"), WSTR("AB")));
  EXPECT_FALSE(luma::policy::MatchLegacyIdentifier(Op::NOT_EQUALS, WSTR("AB12"), WSTR("AB12")));
  EXPECT_EQ(luma::policy::LegacyTextValue(WSTR("  cn=Alice\t")), WSTR("CN=ALICE"));
}

TEST(LegacyFilterRulesTest, NumbersCompareUnsignedAndValuesReadLikeTheRuntime) {
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::INCLUDES, 2048, 2048));
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::INCLUDES, 4096, 2048));
  EXPECT_FALSE(luma::policy::MatchLegacyNumber(Op::INCLUDES, 1024, 2048));
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::EXCLUDES, 1024, 2048));
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::EQUALS, 0, 0));
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::NOT_EQUALS, 1, 0));
  // A negative value is a very large unsigned one.
  EXPECT_FALSE(luma::policy::MatchLegacyNumber(Op::INCLUDES, 4096, -1));
  EXPECT_TRUE(luma::policy::MatchLegacyNumber(Op::EXCLUDES, 4096, -1));

  const struct {
    const WCHAR* text;
    std::int32_t value;
  } values[] = {
      {WSTR("2048"), 2048},
      {WSTR(" 30 "), 30},
      {WSTR("-5"), -5},
      {WSTR("+7"), 7},
      {WSTR("12days"), 12},
      {WSTR("days"), 0},
      {WSTR(""), 0},
      {WSTR("- 5"), 0},
      {WSTR("99999999999"), 2147483647},
      {WSTR("-99999999999"), -2147483647 - 1},
  };
  for (const auto& v : values) EXPECT_EQ(luma::policy::LegacyNumberValue(v.text), v.value) << Narrow(v.text);
}

TEST(LegacyFilterRulesTest, DayCountsUse64BitSecondsAcrossThe2009Limit) {
  // Lifetime: whole seconds, then whole days.
  EXPECT_EQ(luma::policy::CertificateLifetimeDays(FileTime(2024, 1, 1), FileTime(2025, 1, 1)), 366u);
  EXPECT_EQ(luma::policy::CertificateLifetimeDays(FileTime(2024, 1, 1), FileTime(2024, 1, 1, 86399)), 0u);
  EXPECT_EQ(luma::policy::CertificateLifetimeDays(FileTime(2025, 1, 1), FileTime(2024, 1, 1)), 0u);
  EXPECT_EQ(luma::policy::CertificateLifetimeDays(FileTime(1950, 1, 1), FileTime(2150, 1, 1)),
            73049u);  // beyond 2^32 s

  // Remaining: 0 at and after the end, and within the last day.
  const auto now = FileTime(2026, 12, 10, 3600);
  EXPECT_EQ(luma::policy::CertificateRemainingDays(now, FileTime(2027, 12, 10, 3600)), 365u);
  EXPECT_EQ(luma::policy::CertificateRemainingDays(now, FileTime(2026, 12, 11)), 0u);
  EXPECT_EQ(luma::policy::CertificateRemainingDays(now, now), 0u);
  EXPECT_EQ(luma::policy::CertificateRemainingDays(now, FileTime(2026, 1, 1)), 0u);
  // Expired before 2009: 32-bit seconds wrapped and showed tens of thousands of days left.
  EXPECT_EQ(luma::policy::CertificateRemainingDays(now, FileTime(2008, 6, 30)), 0u);
  EXPECT_EQ(luma::policy::CertificateRemainingDays(FileTime(2008, 1, 1), FileTime(2010, 1, 1)), 731u);
}

}  // namespace
