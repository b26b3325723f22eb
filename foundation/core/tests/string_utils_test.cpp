#include "foundation/core/string_utils.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<WString>;

TEST(StringUtilsTest, CaseMappingTouchesOnlyAsciiLetters) {
  const WString mixed = WSTR("Ab-Z\u00C4\u00E4@[`{");
  EXPECT_EQ(WSTR("ab-z\u00C4\u00E4@[`{"), luma::ToLowerCase(mixed));
  EXPECT_EQ(WSTR("AB-Z\u00C4\u00E4@[`{"), luma::ToUpperCase(mixed));
  EXPECT_TRUE(luma::EqualsIgnoreCase(WSTR("Provider.DLL"), WSTR("provider.dll")));
  EXPECT_FALSE(luma::EqualsIgnoreCase(WSTR("\u00C4"), WSTR("\u00E4")));
  EXPECT_FALSE(luma::EqualsIgnoreCase(WSTR("abc"), WSTR("abcd")));
  EXPECT_FALSE(luma::EqualsIgnoreCase(WSTR("@"), WSTR("`")));  // 0x40 and 0x60 differ by the case bit only
}

TEST(StringUtilsTest, WideAndNarrowConversions) {
  EXPECT_EQ("1.2.840.113549.1.1.1", luma::WideToNarrow(WSTR("1.2.840.113549.1.1.1")));
  EXPECT_EQ(WSTR("2.5.29.37"), luma::NarrowToWide("2.5.29.37"));
  EXPECT_EQ("", luma::WideToNarrow(static_cast<const WCHAR*>(nullptr)));
  EXPECT_EQ(WSTR(""), luma::NarrowToWide(static_cast<const char*>(nullptr)));
  EXPECT_EQ("\xE4", luma::WideToNarrow(WSTR("\u00E4")));
  EXPECT_EQ(WSTR("\u00E4"), luma::NarrowToWide("\xE4"));
  EXPECT_EQ("", luma::WideToNarrow(WSTR("a\u20ACb")));  // no single byte for the euro sign
}

TEST(StringUtilsTest, TrimRemovesTheSixBlanks) {
  EXPECT_EQ(WSTR("a b"), luma::TrimWhitespace(WSTR("\t a b \r\n")));
  EXPECT_EQ(WSTR("x"), luma::TrimWhitespace(WSTR("\v\fx\f\v")));
  EXPECT_EQ(WSTR(""), luma::TrimWhitespace(WSTR("   ")));
  EXPECT_EQ(WSTR("\u00A0x"), luma::TrimWhitespace(WSTR(" \u00A0x")));  // not in the set
}

TEST(StringUtilsTest, SplitTable) {
  struct Case {
    WString text, delimiters;
    Pieces expected;
  } cases[] = {
      {WSTR("a; ;b;"), WSTR(";"), {WSTR("a"), WSTR(""), WSTR("b")}},
      {WSTR("x"), WSTR(";"), {WSTR("x")}},
      {WSTR(""), WSTR(";"), {}},
      {WSTR(" \t "), WSTR(";"), {}},
      {WSTR(";a"), WSTR(";"), {WSTR(""), WSTR("a")}},
      {WSTR(" a , b;c "), WSTR(",;"), {WSTR("a"), WSTR("b"), WSTR("c")}},
      {WSTR(";;"), WSTR(";"), {WSTR(""), WSTR("")}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, luma::SplitString(c.text, c.delimiters));
}

TEST(StringUtilsTest, HexBothWays) {
  const BYTE bytes[] = {0x0A, 0xFF, 0x00, 0x7c};
  EXPECT_EQ(WSTR("0AFF"), luma::BytesToHex(bytes, 2));
  EXPECT_EQ(WSTR("0AFF007C"), luma::BytesToHex(bytes, 4));
  EXPECT_EQ(WSTR(""), luma::BytesToHex(bytes, 0));

  std::vector<BYTE> out;
  ASSERT_TRUE(luma::HexToBytes(WSTR("0aFf007C"), out));
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 4), out);
  ASSERT_TRUE(luma::HexToBytes(WSTR(""), out));
  EXPECT_TRUE(out.empty());

  for (const WString& bad : {WString(WSTR("ABC")), WString(WSTR("0G")), WString(WSTR(" 0A")),
                             WString(WSTR("0x0A")), WString(WSTR("0A\u0660\u0660"))}) {
    out.assign(3, 1);
    EXPECT_FALSE(luma::HexToBytes(bad, out));
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
