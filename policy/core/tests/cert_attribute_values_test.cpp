#include "policy/core/cert_attribute_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>

namespace {

using namespace luma::cert_values;

TEST(CertAttributeValuesTest, ValueListItemsAreTrimmedUpperCasedAndKeepEmptyItemsBeforeAComma) {
  const struct {
    const WCHAR* text;
    std::set<WString> items;
  } cases[] = {
      {WSTR(""), {}},
      {WSTR("  digitalSignature  "), {WSTR("DIGITALSIGNATURE")}},
      {WSTR("DigitalSignature, NonRepudiation"), {WSTR("DIGITALSIGNATURE"), WSTR("NONREPUDIATION")}},
      {WSTR("a,,b"), {WSTR("A"), WSTR(""), WSTR("B")}},
      {WSTR("a,"), {WSTR("A")}},  // nothing after the last comma
      {WSTR(",a"), {WSTR(""), WSTR("A")}},
      {WSTR("x, X ,x"), {WSTR("X")}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseValueList(c.text), c.items);
}

TEST(CertAttributeValuesTest, HexBytesInEitherOrder) {
  const BYTE serial[] = {0x01, 0x00, 0xAB};
  EXPECT_EQ(FormatHexBytes(serial, 3, false), WSTR("0100AB"));
  EXPECT_EQ(FormatHexBytes(serial, 3, true), WSTR("AB0001"));
  EXPECT_EQ(FormatHexBytes(serial, 2, true), WSTR("0001"));  // leading zero byte kept
  EXPECT_EQ(FormatHexBytes(serial, 0, false), WSTR(""));
  EXPECT_EQ(FormatHexBytes(nullptr, 4, false), WSTR(""));
}

TEST(CertAttributeValuesTest, KeywordTablesAnswerUpperCaseKeywordsOnly) {
  DWORD bit = 0;
  EXPECT_TRUE(LookupKeyUsageBit(WSTR("DECIPHERONLY"), bit));
  EXPECT_EQ(bit, 0x8000u);
  EXPECT_TRUE(LookupKeyUsageBit(WSTR("DIGITALSIGNATURE"), bit));
  EXPECT_EQ(bit, 0x80u);
  EXPECT_FALSE(LookupKeyUsageBit(WSTR("CONTENTCOMMITMENT"), bit));
  EXPECT_FALSE(LookupKeyUsageBit(WSTR("digitalSignature"), bit));

  WString oid;
  EXPECT_TRUE(LookupExtendedKeyUsageOid(WSTR("ID-KP-CLIENTAUTH"), oid));
  EXPECT_EQ(oid, WSTR("1.3.6.1.5.5.7.3.2"));
  EXPECT_TRUE(LookupExtendedKeyUsageOid(WSTR("ID-MS-KP-DOCUMENT-SIGNING"), oid));
  EXPECT_EQ(oid, WSTR("1.3.6.1.4.1.311.10.3.12"));
  EXPECT_FALSE(LookupExtendedKeyUsageOid(WSTR("CLIENTAUTH"), oid));
  EXPECT_TRUE(LookupKeyTypeOid(WSTR("ECC"), oid));
  EXPECT_EQ(oid, WSTR("1.2.840.10045.2.1"));
  EXPECT_FALSE(LookupKeyTypeOid(WSTR("EC"), oid));

  EXPECT_TRUE(IsDottedDigits(WSTR("1.3.6.1")));
  EXPECT_TRUE(IsDottedDigits(WSTR("")));
  EXPECT_FALSE(IsDottedDigits(WSTR("1.3.x")));
  EXPECT_FALSE(IsDottedDigits(WSTR("-1")));
}

// Seconds since 1601 of a UTC date.
std::int64_t Seconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  // Days from 1601-01-01 by the proleptic Gregorian calendar (civil-from-days inverse).
  const int y = year - (month <= 2);
  const std::int64_t era = y / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t daysFrom0 = era * 146097 + doe;                        // days since 0000-03-01
  const std::int64_t epoch1601 = 1600 / 400 * 146097 + (153 * 10 + 2) / 5;  // 1601-01-01
  return ((daysFrom0 - epoch1601) * 24 + hour) * 3600 + minute * 60 + second;
}

TEST(CertAttributeValuesTest, LifetimeCountsWholeDaysWithDatesBeyond2106) {
  const struct {
    std::int64_t notBefore, notAfter;
    std::int32_t days;
  } cases[] = {
      {Seconds(2024, 1, 1), Seconds(2024, 1, 2, 23, 59, 59), 1},
      {Seconds(2024, 1, 1), Seconds(2024, 1, 3), 2},
      {Seconds(2020, 1, 1), Seconds(2049, 12, 31, 23, 59, 59), 10957},
      // Past the end of unsigned 32-bit seconds since 1970 (2106-02-07).
      {Seconds(2100, 1, 1), Seconds(2110, 1, 1), 3652},
      {Seconds(2020, 1, 1), Seconds(9999, 12, 31, 23, 59, 59), 2914634},
      {Seconds(2024, 1, 2), Seconds(2024, 1, 1), 0},  // ends before it begins
      {0, std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int32_t>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(LifetimeDays(c.notBefore, c.notAfter), c.days) << c.notAfter;
  EXPECT_EQ(TicksToSeconds(10000000ull * 86400 + 9999999), 86400);
}

TEST(CertAttributeValuesTest, RemainingLifetimeNeverWrapsForFarFutureDates) {
  const std::int64_t now = Seconds(2026, 6, 1, 12);
  const struct {
    std::int64_t notAfter;
    std::int32_t days;
  } cases[] = {
      {now - 1, 0},
      {now, 0},
      {now + 10 * 3600, 1},  // expires within a day
      {now + 86400, 1},
      {now + 2 * 86400 + 5, 2},
      {Seconds(2106, 2, 8), 29105},
      {Seconds(9999, 12, 31, 23, 59, 59), 2912291},
  };
  for (const auto& c : cases) EXPECT_EQ(RemainingLifetimeDays(c.notAfter, now), c.days) << c.notAfter;
}

}  // namespace
