#include "foundation/core/system_utils_core.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

TEST(SystemUtilsCoreTest, PrincipalNames) {
  struct Case {
    WString name, upn, user, domain;
  } cases[] = {
      {WSTR(" alice@corp.example \r\n"), WSTR("alice@corp.example"), WSTR("alice"), WSTR("corp.example")},
      {WSTR("@corp.example"), WSTR("@corp.example"), WSTR(""), WSTR("")},
      {WSTR("bob"), WSTR("bob"), WSTR(""), WSTR("")},
      {WSTR("a@b@c"), WSTR("a@b@c"), WSTR("a"), WSTR("b@c")},
      {WSTR("x@"), WSTR("x@"), WSTR("x"), WSTR("")},
      {WSTR(""), WSTR(""), WSTR(""), WSTR("")},
  };
  for (const auto& c : cases) {
    WString upn = WSTR("old"), user = WSTR("old"), domain = WSTR("old");
    luma::SplitPrincipalName(c.name, upn, user, domain);
    EXPECT_EQ(c.upn, upn);
    EXPECT_EQ(c.user, user);
    EXPECT_EQ(c.domain, domain);
  }
}

TEST(SystemUtilsCoreTest, DomainQualifiedLogonNames) {
  struct Case {
    WString name;
    bool split;
    WString user, domain;
  } cases[] = {
      {WSTR("VM\\root"), true, WSTR("root"), WSTR("VM")},
      {WSTR(" corp.example\\alice "), true, WSTR("alice"), WSTR("corp.example")},
      {WSTR("\\root"), false, WSTR(""), WSTR("")},
      {WSTR("root"), false, WSTR(""), WSTR("")},
      {WSTR("A\\b\\c"), true, WSTR("b\\c"), WSTR("A")},
  };
  for (const auto& c : cases) {
    WString user = WSTR("old"), domain = WSTR("old");
    EXPECT_EQ(c.split, luma::SplitDomainUserName(c.name, user, domain));
    EXPECT_EQ(c.user, user);
    EXPECT_EQ(c.domain, domain);
  }
}

TEST(SystemUtilsCoreTest, VirtualReaderNames) {
  EXPECT_TRUE(luma::IsVirtualReaderName(WSTR("nuvak virtual reader 0")));
  EXPECT_TRUE(luma::IsVirtualReaderName(WSTR("NUVAK Virtual Reader")));
  EXPECT_FALSE(luma::IsVirtualReaderName(WSTR("NUVAK Virtual")));
  EXPECT_FALSE(luma::IsVirtualReaderName(WSTR("Other NUVAK Virtual Reader")));

  const WCHAR list[] = WSTR("Card Reader 1\0nuvak virtual reader 0\0\0");
  EXPECT_TRUE(luma::ContainsVirtualReader(list, std::size(list)));
  const WCHAR others[] = WSTR("Card Reader 1\0NUVAK Virtual\0\0");
  EXPECT_FALSE(luma::ContainsVirtualReader(others, std::size(others)));
  // A list cut short (no terminators) is read only up to its length.
  const WCHAR cut[] = {'N', 'U', 'V', 'A', 'K'};
  EXPECT_FALSE(luma::ContainsVirtualReader(cut, std::size(cut)));
  EXPECT_FALSE(luma::ContainsVirtualReader(list, 0));
  EXPECT_FALSE(luma::ContainsVirtualReader(nullptr, 10));
}

TEST(SystemUtilsCoreTest, GuidAndHexLayout) {
  // First 16 bytes of SHA-1("abc").
  const BYTE digest[16] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a,
                           0xba, 0x3e, 0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c};
  EXPECT_EQ(WSTR("363e99a9-0647-6a81-ba3e-25717850c26c"), luma::FormatGuid(digest));
  EXPECT_EQ(WSTR("a9993e36"), luma::BytesToLowerHex(digest, 4));
  EXPECT_EQ(WSTR(""), luma::BytesToLowerHex(digest, 0));
}

TEST(SystemUtilsCoreTest, FirstPathSegmentAndDateText) {
  EXPECT_EQ(WSTR("service"), luma::FirstPathSegment(WSTR("/service/login")));
  EXPECT_EQ(WSTR("abc"), luma::FirstPathSegment(WSTR("/abc")));
  EXPECT_EQ(WSTR(""), luma::FirstPathSegment(WSTR("/")));
  EXPECT_EQ(WSTR(""), luma::FirstPathSegment(WSTR("")));
  EXPECT_EQ(WSTR(""), luma::FirstPathSegment(WSTR("service/x")));
  EXPECT_EQ(WSTR("05.03.2024 14:07:09"), luma::FormatDayMonthYearTime(5, 3, 2024, 14, 7, 9));
}

}  // namespace
