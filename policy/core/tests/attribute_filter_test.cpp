#include "policy/core/attribute_filter.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::CNameFilter;
using luma::testing::CProbeFilter;
using luma::testing::CSizeFilter;
using luma::testing::Narrow;
using luma::testing::TestItem;
using Op = AttributeFilterOperator;

TEST(AttributeFilterTest, ToStringShowsLowerCaseNameParameterOperatorAndValue) {
  struct Case {
    WString name, parameter;
    Op op;
    WString value, expected;
  } cases[] = {
      {WSTR("KeyLength"), WSTR(""), Op::GREATER_OR_EQUAL, WSTR("2048"),
       WSTR("keylength GREATER_OR_EQUAL 2048")},
      {WSTR("SubjectDN"), WSTR(""), Op::PRESENT, WSTR(""), WSTR("subjectdn PRESENT")},
      {WSTR("SubjectAltName"), WSTR("UPN"), Op::EQUALS, WSTR("x"), WSTR("subjectaltname{UPN} EQUALS x")},
      {WSTR("NAME"), WSTR(""), Op::CONTAINS, WSTR("Ab"), WSTR("name CONTAINS Ab")},
      {WSTR("Size"), WSTR(""), Op::LESS_OR_EQUAL, WSTR("1"), WSTR("size LESS_OR_EQUAL 1")},
      {WSTR("p"), WSTR(""), Op::NONE, WSTR("v"), WSTR("p NONE v")},
      {WSTR("p"), WSTR(""), static_cast<Op>(6), WSTR("v"), WSTR("pv")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CProbeFilter(c.name, c.parameter, c.op, c.value).ToString(), c.expected) << Narrow(c.expected);
  }
  EXPECT_EQ(CProbeFilter().ToString(), WSTR(" NONE "));
  EXPECT_TRUE(CProbeFilter().IsValid());
}

TEST(AttributeFilterTest, IntegerValuesConvertLikeWcstolAndRefuseWhatDoesNotFit) {
  struct Case {
    WString value;
    bool valid;
    std::int32_t number;
  } cases[] = {
      {WSTR("2048"), true, 2048},
      {WSTR(" +2048"), true, 2048},
      {WSTR("\t2048bits"), true, 2048},
      {WSTR("0x800"), true, 0},
      {WSTR("-1"), true, -1},
      {WSTR("2147483647"), true, 2147483647},
      {WSTR("-2147483648"), true, INT32_MIN},
      {WSTR("bits"), false, 0},
      {WSTR("99999999999"), false, 0},
      {WSTR("2147483648"), false, 0},
      {WSTR("-2147483649"), false, 0},
      {WSTR("-"), false, 0},
      {WSTR("+ 1"), false, 0},
  };
  for (const auto& c : cases) {
    const CSizeFilter filter(WSTR("Size"), WSTR(""), Op::EQUALS, c.value);
    EXPECT_EQ(filter.IsValid(), c.valid) << Narrow(c.value);
    EXPECT_EQ(filter.IntegerValue(), c.number) << Narrow(c.value);
  }
  EXPECT_FALSE(CSizeFilter(WSTR("Size"), WSTR(""), Op::CONTAINS, WSTR("20")).IsValid());
  EXPECT_TRUE(CSizeFilter(WSTR("Size"), WSTR(""), Op::GREATER_OR_EQUAL, WSTR("20")).IsValid());
}

TEST(AttributeFilterTest, IntegerMatchComparesSignedAndInvalidMatchesNothing) {
  TestItem item;
  item.size = -5;
  EXPECT_TRUE(CSizeFilter(WSTR("Size"), WSTR(""), Op::EQUALS, WSTR("-5")).Match(item));
  EXPECT_TRUE(CSizeFilter(WSTR("Size"), WSTR(""), Op::LESS_OR_EQUAL, WSTR("-5")).Match(item));
  EXPECT_TRUE(CSizeFilter(WSTR("Size"), WSTR(""), Op::GREATER_OR_EQUAL, WSTR("-6")).Match(item));
  EXPECT_FALSE(CSizeFilter(WSTR("Size"), WSTR(""), Op::GREATER_OR_EQUAL, WSTR("0")).Match(item));
  item.size = 0;
  // An unconvertible value stays 0 but the filter is invalid, so 0 = 0 is not a match.
  EXPECT_FALSE(CSizeFilter(WSTR("Size"), WSTR(""), Op::EQUALS, WSTR("bits")).Match(item));
  EXPECT_FALSE(CSizeFilter(WSTR("Size"), WSTR("x"), Op::EQUALS, WSTR("0")).Match(item));
  // The base accepts an operator without integer meaning; it matches nothing.
  EXPECT_FALSE(CSizeFilter(WSTR("Size"), WSTR(""), Op::NONE, WSTR("0")).Match(item));
}

TEST(AttributeFilterTest, StringEqualsCountsCaseContainsIgnoresItPresentNeedsAText) {
  TestItem item;
  item.name = WSTR("cn=a, o=Test");
  EXPECT_FALSE(CNameFilter(WSTR("Name"), WSTR(""), Op::EQUALS, WSTR("CN=A, O=TEST")).Match(item));
  EXPECT_TRUE(CNameFilter(WSTR("Name"), WSTR(""), Op::EQUALS, WSTR("cn=a, o=Test")).Match(item));
  EXPECT_TRUE(CNameFilter(WSTR("Name"), WSTR(""), Op::CONTAINS, WSTR("O=tEST")).Match(item));
  EXPECT_FALSE(CNameFilter(WSTR("Name"), WSTR(""), Op::CONTAINS, WSTR("o=other")).Match(item));
  EXPECT_TRUE(CNameFilter(WSTR("Name"), WSTR(""), Op::PRESENT, WSTR("")).Match(item));
  EXPECT_FALSE(CNameFilter(WSTR("Name"), WSTR("p"), Op::EQUALS, WSTR("cn=a, o=Test")).Match(item));
  EXPECT_FALSE(CNameFilter(WSTR("Name"), WSTR(""), Op::GREATER_OR_EQUAL, WSTR("a")).Match(item));
  item.name.clear();
  EXPECT_FALSE(CNameFilter(WSTR("Name"), WSTR(""), Op::PRESENT, WSTR("")).Match(item));
}

TEST(AttributeFilterTest, UpperValueIsKeptForContainsOnlyAndCopiedByClone) {
  const CNameFilter contains(WSTR("Name"), WSTR(""), Op::CONTAINS, WSTR("cn=a"));
  EXPECT_EQ(contains.UpperValue(), WSTR("CN=A"));
  EXPECT_EQ(CNameFilter(WSTR("Name"), WSTR(""), Op::EQUALS, WSTR("cn=a")).UpperValue(), WSTR(""));

  const auto clone = std::dynamic_pointer_cast<CNameFilter>(contains.Clone());
  ASSERT_TRUE(clone);
  EXPECT_EQ(clone->UpperValue(), WSTR("CN=A"));
  EXPECT_EQ(clone->ToString(), contains.ToString());
  const auto invalidClone = CSizeFilter(WSTR("Size"), WSTR(""), Op::EQUALS, WSTR("bits")).Clone();
  EXPECT_FALSE(invalidClone->IsValid());
}

}  // namespace
