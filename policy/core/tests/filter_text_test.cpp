#include "policy/core/filter_text.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::Narrow;
namespace ft = luma::filter_text;

TEST(FilterTextTest, UnescapesInSequenceWithLowerCaseHexOnly) {
  struct Case {
    WString text, expected;
  } cases[] = {
      {WSTR("CN=a\\28b\\29"), WSTR("CN=a(b)")},
      {WSTR("\\2a\\5c\\3a\\7b\\7d"), WSTR("*\\:{}")},
      {WSTR("\\2A"), WSTR("\\2A")},    // upper-case hexadecimal is no escape
      {WSTR("\\5c3a"), WSTR(":")},     // "\3a" made by the fourth step becomes ":" in the fifth
      {WSTR("\\5c28"), WSTR("\\28")},  // "\28" made by the fourth step stays: its step has run
      {WSTR("\\5c5c"), WSTR("\\5c")},  // the inserted backslash is not searched again
      {WSTR("\\"), WSTR("\\")},
      {WSTR(""), WSTR("")},
  };
  for (const auto& c : cases) EXPECT_EQ(ft::UnescapeFilterText(c.text), c.expected) << Narrow(c.text);
}

TEST(FilterTextTest, ReplaceAllContinuesAfterTheInsertedText) {
  EXPECT_EQ(ft::ReplaceAll(WSTR("aaa"), WSTR("a"), WSTR("aa")), WSTR("aaaaaa"));
  EXPECT_EQ(ft::ReplaceAll(WSTR("abab"), WSTR("ab"), WSTR("")), WSTR(""));
  EXPECT_EQ(ft::ReplaceAll(WSTR("x"), WSTR(""), WSTR("y")), WSTR("x"));
}

TEST(FilterTextTest, TrimsTheSixWhiteSpaceCharactersAndMapsOnlyAsciiLetters) {
  EXPECT_EQ(ft::TrimWhitespace(WSTR("\t a b \r\n\v\f")), WSTR("a b"));
  EXPECT_EQ(ft::TrimWhitespace(WSTR("   ")), WSTR(""));
  EXPECT_EQ(ft::ToUpperCase(WSTR("keyUsage-1\xe9")), WSTR("KEYUSAGE-1\xe9"));
  EXPECT_EQ(ft::ToLowerCase(WSTR("KeyUsage\xc9")), WSTR("keyusage\xc9"));
}

}  // namespace
