#include "pkcs11/core/info_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using luma::pkcs11::fillBlankPadded;
using luma::pkcs11::formatTokenTime;

template <std::size_t Width>
std::string textOf(const CK_UTF8CHAR (&field)[Width]) {
  return std::string(reinterpret_cast<const char*>(field), Width);
}

TEST(InfoTextTest, FieldsAreBlankPaddedCutToTheirWidthAndNeverTerminated) {
  struct Case {
    const char* text;
    std::string expected;
  };
  const Case cases[] = {
      {"LPV", "LPV     "},
      {"", "        "},
      {nullptr, "        "},
      {"exactly8", "exactly8"},
      {"longer than eight", "longer t"},
  };
  for (const Case& c : cases) {
    CK_UTF8CHAR field[9];
    field[8] = 0xA5;  // the byte after the field stays untouched
    CK_UTF8CHAR(&inner)[8] = *reinterpret_cast<CK_UTF8CHAR(*)[8]>(field);
    fillBlankPadded(inner, c.text);
    EXPECT_EQ(c.expected, textOf(inner)) << (c.text != nullptr ? c.text : "(null)");
    EXPECT_EQ(0xA5, field[8]);
  }
}

TEST(InfoTextTest, TokenTimeHasFourteenDigitsAndTwoZeros) {
  CK_CHAR utcTime[16];
  formatTokenTime({2026, 12, 10, 23, 5, 9, 999}, utcTime);
  EXPECT_EQ("2026121023050900", std::string(reinterpret_cast<char*>(utcTime), 16));
  formatTokenTime({12345, -1, 100, 0, 0, 0, 0}, utcTime);
  EXPECT_EQ("9999009900000000", std::string(reinterpret_cast<char*>(utcTime), 16));
}

}  // namespace
