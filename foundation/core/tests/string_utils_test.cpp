#include "foundation/core/string_utils.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<WString>;

TEST(StringUtilsTest, CaseMappingTouchesOnlyAsciiLetters) {
  const WString mixed = WSTR("Ab-Z\u00C4\u00E4@[`{");
  EXPECT_EQ(WSTR("ab-z\u00C4\u00E4@[`{"), ToLowerCase(mixed));
  EXPECT_EQ(WSTR("AB-Z\u00C4\u00E4@[`{"), ToUpperCase(mixed));
  EXPECT_TRUE(EqualsIgnoreCase(WSTR("Provider.DLL"), WSTR("provider.dll")));
  EXPECT_FALSE(EqualsIgnoreCase(WSTR("\u00C4"), WSTR("\u00E4")));
  EXPECT_FALSE(EqualsIgnoreCase(WSTR("abc"), WSTR("abcd")));
  EXPECT_FALSE(EqualsIgnoreCase(WSTR("@"), WSTR("`")));  // 0x40 and 0x60 differ by the case bit only
}

TEST(StringUtilsTest, WideAndNarrowConversions) {
  EXPECT_EQ("1.2.840.113549.1.1.1", WideToNarrow(WSTR("1.2.840.113549.1.1.1")));
  EXPECT_EQ(WSTR("2.5.29.37"), NarrowToWide("2.5.29.37"));
  EXPECT_EQ("", WideToNarrow(static_cast<const WCHAR*>(nullptr)));
  EXPECT_EQ(WSTR(""), NarrowToWide(static_cast<const char*>(nullptr)));
  EXPECT_EQ("\xE4", WideToNarrow(WSTR("\u00E4")));
  EXPECT_EQ(WSTR("\u00E4"), NarrowToWide("\xE4"));
  EXPECT_EQ("", WideToNarrow(WSTR("a\u20ACb")));  // no single byte for the euro sign
}

TEST(StringUtilsTest, TrimRemovesTheSixBlanks) {
  EXPECT_EQ(WSTR("a b"), TrimWhitespace(WSTR("\t a b \r\n")));
  EXPECT_EQ(WSTR("x"), TrimWhitespace(WSTR("\v\fx\f\v")));
  EXPECT_EQ(WSTR(""), TrimWhitespace(WSTR("   ")));
  EXPECT_EQ(WSTR("\u00A0x"), TrimWhitespace(WSTR(" \u00A0x")));  // not in the set
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
  for (const auto& c : cases) EXPECT_EQ(c.expected, SplitString(c.text, c.delimiters));
}

TEST(StringUtilsTest, HexBothWays) {
  const BYTE bytes[] = {0x0A, 0xFF, 0x00, 0x7c};
  EXPECT_EQ(WSTR("0AFF"), BytesToHex(bytes, 2));
  EXPECT_EQ(WSTR("0AFF007C"), BytesToHex(bytes, 4));
  EXPECT_EQ(WSTR(""), BytesToHex(bytes, 0));

  std::vector<BYTE> out;
  ASSERT_TRUE(HexToBytes(WSTR("0aFf007C"), out));
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 4), out);
  ASSERT_TRUE(HexToBytes(WSTR(""), out));
  EXPECT_TRUE(out.empty());

  for (const WString& bad : {WString(WSTR("ABC")), WString(WSTR("0G")), WString(WSTR(" 0A")),
                             WString(WSTR("0x0A")), WString(WSTR("0A\u0660\u0660"))}) {
    out.assign(3, 1);
    EXPECT_FALSE(HexToBytes(bad, out));
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
