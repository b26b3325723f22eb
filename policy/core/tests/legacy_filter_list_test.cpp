#include "policy/core/legacy_filter_list.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::Narrow;
using Attr = LegacyFilterAttribute;
using Op = LegacyFilterOperator;

struct Expected {
  Attr attribute;
  Op op;
  WString value;
};

void ExpectItems(const WString& text, const std::vector<Expected>& expected) {
  const auto items = luma::policy::ParseLegacyFilterList(text);
  ASSERT_EQ(items.size(), expected.size()) << Narrow(text);
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].attribute, expected[i].attribute) << Narrow(text) << " item " << i;
    EXPECT_EQ(items[i].op, expected[i].op) << Narrow(text) << " item " << i;
    EXPECT_EQ(items[i].value, expected[i].value) << Narrow(text) << " item " << i;
  }
}

TEST(LegacyFilterListTest, KnowsTheNineNamesExactly) {
  const struct {
    const WCHAR* name;
    Attr attribute;
  } names[] = {
      {WSTR("KU"), Attr::KEY_USAGE},
      {WSTR("EKU"), Attr::ENHANCED_KEY_USAGE},
      {WSTR("AKI"), Attr::AUTHORITY_KEY_IDENTIFIER},
      {WSTR("IDN"), Attr::ISSUER_DN},
      {WSTR("SDN"), Attr::SUBJECT_DN},
      {WSTR("UPN"), Attr::USER_PRINCIPAL_NAME},
      {WSTR("CLT"), Attr::LIFETIME},
      {WSTR("RLT"), Attr::REMAINING_LIFETIME},
      {WSTR("LEN"), Attr::KEY_LENGTH},
  };
  for (const auto& n : names) {
    ExpectItems(WString(n.name) + WSTR("+x"), {{n.attribute, Op::INCLUDES, WSTR("x")}});
  }
  for (const WCHAR* other : {WSTR("K"), WSTR("KUX"), WSTR("ku"), WSTR("Ku"), WSTR("EK"), WSTR("SAN")}) {
    Attr ignored;
    EXPECT_FALSE(luma::policy::LegacyFilterAttributeOf(other, ignored)) << Narrow(other);
  }
}

TEST(LegacyFilterListTest, ReadsTheOperatorCharacterAfterTheNameAndTrimsTheValue) {
  ExpectItems(WSTR("KU+digitalSignature;KU-a;KU=b;KU!c"),
              {{Attr::KEY_USAGE, Op::INCLUDES, WSTR("digitalSignature")},
               {Attr::KEY_USAGE, Op::EXCLUDES, WSTR("a")},
               {Attr::KEY_USAGE, Op::EQUALS, WSTR("b")},
               {Attr::KEY_USAGE, Op::NOT_EQUALS, WSTR("c")}});
  // Any other character counts as "+" and the value still starts after it.
  ExpectItems(WSTR("KU>=keyCertSign"), {{Attr::KEY_USAGE, Op::INCLUDES, WSTR("=keyCertSign")}});
  ExpectItems(WSTR("SDN cn=alice"), {{Attr::SUBJECT_DN, Op::INCLUDES, WSTR("cn=alice")}});
  ExpectItems(WSTR("SDN+  CN = A B \t"), {{Attr::SUBJECT_DN, Op::INCLUDES, WSTR("CN = A B")}});
  ExpectItems(WSTR("LEN="), {{Attr::KEY_LENGTH, Op::EQUALS, WSTR("")}});
}

TEST(LegacyFilterListTest, SkipsPiecesItCannotUseAndKeepsTheOthersInOrder) {
  const struct {
    const WCHAR* text;
    std::vector<Expected> items;
  } cases[] = {
      {WSTR(""), {}},
      {WSTR(" \t "), {}},
      {WSTR(";;;"), {}},
      {WSTR("ku+digitalSignature"), {}},  // lower-case name
      {WSTR("+digitalSignature"), {}},
      {WSTR("XYZ+1"), {}},
      // A piece of capital letters only has no operator: skipped, not read past its end.
      {WSTR("KU"), {}},
      {WSTR("LEN;RLT"), {}},
      {WSTR("EKU ;LEN+2048"), {{Attr::KEY_LENGTH, Op::INCLUDES, WSTR("2048")}}},
      {WSTR("KU+keyEncipherment;  EKU+id-kp-clientAuth ;"),
       {{Attr::KEY_USAGE, Op::INCLUDES, WSTR("keyEncipherment")},
        {Attr::ENHANCED_KEY_USAGE, Op::INCLUDES, WSTR("id-kp-clientAuth")}}},
      {WSTR("rlt+1; ;RLT+30;bad;CLT!365"),
       {{Attr::REMAINING_LIFETIME, Op::INCLUDES, WSTR("30")}, {Attr::LIFETIME, Op::NOT_EQUALS, WSTR("365")}}},
      // Only ";" separates items: a value may hold any other character.
      {WSTR("IDN=CN=Root, O=Example"), {{Attr::ISSUER_DN, Op::EQUALS, WSTR("CN=Root, O=Example")}}},
  };
  for (const auto& c : cases) ExpectItems(c.text, c.items);
}

}  // namespace
