#include "policy/core/pin_rule_checker.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// UTF-16 little-endian text with its terminating zero, as the change-PIN page fills its buffers.
CSecureBuffer Pin(const std::u16string& text) {
  CSecureBuffer buffer;
  for (char16_t c : text) {
    const BYTE bytes[] = {static_cast<BYTE>(c & 0xFF), static_cast<BYTE>(c >> 8)};
    buffer.Append(2, bytes);
  }
  buffer.Append(2, "\0\0");
  return buffer;
}

CPinConstraints Rules(DWORD minLength, DWORD maxLength, DWORD numeric, DWORD symbol, DWORD upper,
                      DWORD lower) {
  CPinConstraints rules;
  rules.version = 1;
  rules.minLength = minLength;
  rules.maxLength = maxLength;
  rules.minNumericCharacters = numeric;
  rules.minSymbolCharacters = symbol;
  rules.minUpperCaseCharacters = upper;
  rules.minLowerCaseCharacters = lower;
  return rules;
}

TEST(PinRuleCheckerTest, FlagsFollowTheRules) {
  struct Case {
    CPinConstraints rules;
    std::u16string current, next, confirmation;
    bool minLength, maxLength, numeric, symbol, upper, lower, confirms, differs;
  } cases[] = {
      // two letters and one digit against 4..8 with one digit
      {Rules(4, 8, 1, 0, 0, 0), u"0000", u"ab1", u"ab1", false, true, true, true, true, true, true, true},
      {Rules(4, 8, 1, 1, 1, 1), u"0000", u"Ab 1", u"Ab 1", true, true, true, true, true, true, true, true},
      {Rules(4, 8, 2, 2, 2, 2), u"0000", u"Ab 1", u"Ab 1", true, true, false, false, false, false, true,
       true},
      {Rules(4, 8, 0, 0, 0, 0), u"1234", u"123456789", u"12345678", true, false, true, true, true, true,
       false, true},
      {Rules(4, 8, 0, 0, 0, 0), u"1234", u"1234", u"1234", true, true, true, true, true, true, true, false},
      {Rules(4, 8, 0, 0, 0, 0), u"1234", u"", u"", false, true, true, true, true, true, false, false},
      // without PIN: an empty new PIN equal to the current one may be kept
      {Rules(0, 0, 0, 0, 0, 0), u"", u"", u"", true, true, true, true, true, true, true, true},
      {Rules(0, 8, 0, 0, 0, 0), u"", u"", u"", true, true, true, true, true, true, true, false},
      {Rules(0, 8, 0, 0, 0, 0), u"12", u"", u"", true, true, true, true, true, true, true, true},
  };
  for (const Case& c : cases) {
    CPinRuleChecker checker(c.rules);
    checker.Evaluate(Pin(c.current), Pin(c.next), Pin(c.confirmation));
    const bool flags[] = {checker.minLengthMet,        checker.maxLengthMet,      checker.numericMet,
                          checker.symbolMet,           checker.upperCaseMet,      checker.lowerCaseMet,
                          checker.confirmationMatches, checker.differsFromCurrent};
    const bool expected[] = {c.minLength, c.maxLength, c.numeric,  c.symbol,
                             c.upper,     c.lower,     c.confirms, c.differs};
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(expected[i], flags[i])
          << "flag " << i << " for new PIN of " << c.next.size() << " characters";
    }
  }
}

TEST(PinRuleCheckerTest, ReportsOnlyChanges) {
  CPinRuleChecker checker(Rules(4, 8, 1, 0, 0, 0));
  EXPECT_TRUE(checker.Evaluate(Pin(u"0000"), Pin(u"ab1"), Pin(u"ab1")));
  EXPECT_FALSE(checker.Evaluate(Pin(u"0000"), Pin(u"ab1"), Pin(u"ab1")));
  EXPECT_TRUE(checker.Evaluate(Pin(u"0000"), Pin(u"ab12"), Pin(u"ab1")));
}

TEST(PinRuleCheckerTest, EmptyPinOfCertificateWithoutPin) {
  CPinRuleChecker checker(Rules(0, 0, 0, 0, 0, 0));
  // The current PIN is empty as well: the forced flag is reported every time.
  EXPECT_TRUE(checker.Evaluate(Pin(u""), Pin(u""), Pin(u"")));
  EXPECT_TRUE(checker.Evaluate(Pin(u""), Pin(u""), Pin(u"")));
  // A current PIN that differs: reported once.
  CPinRuleChecker other(Rules(0, 0, 0, 0, 0, 0));
  EXPECT_TRUE(other.Evaluate(Pin(u"12"), Pin(u""), Pin(u"")));
  EXPECT_FALSE(other.Evaluate(Pin(u"12"), Pin(u""), Pin(u"")));
}

TEST(PinRuleCheckerTest, BufferWithoutTerminatorIsReadToItsEnd) {
  CPinRuleChecker checker(Rules(2, 8, 0, 0, 0, 0));
  const CSecureBuffer unterminated(3, "a\0b");  // one and a half characters
  checker.Evaluate(Pin(u""), unterminated, unterminated);
  EXPECT_FALSE(checker.minLengthMet);
}

}  // namespace
