#include "policy/core/variable_expansion.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::Narrow;

CMapVariableProvider MakeProvider() {
  CMapVariableProvider provider(WSTR("<undef>"));
  provider.SetVariables({{WSTR("USER_UPN"), WSTR("alice@corp")},
                         {WSTR("B"), WSTR("PN")},
                         {WSTR("UPN"), WSTR("x")},
                         {WSTR("OUTER"), WSTR("[{USER_UPN}]")},
                         {WSTR("SELF"), WSTR("{SELF}")},
                         {WSTR("TWICE"), WSTR("{TWICE}{TWICE}")}});
  return provider;
}

TEST(VariableExpansionTest, ExpandsTheLastOpenedReferenceUntilNoneIsLeft) {
  const auto provider = MakeProvider();
  struct Case {
    WString value, expected;
  } cases[] = {
      {WSTR("{USER_UPN}"), WSTR("alice@corp")},
      {WSTR("{user_upn}/{B}"), WSTR("alice@corp/PN")},
      {WSTR("{U{B}}"), WSTR("x")},                 // inner reference first, then the name it forms
      {WSTR("{OUTER}"), WSTR("[alice@corp]")},     // a value's own reference is expanded in turn
      {WSTR("{USER_UPN}{"), WSTR("{USER_UPN}{")},  // an unclosed last "{" stops everything
      {WSTR("x{}"), WSTR("x<undef>")},
      {WSTR("{}"), WSTR("{}")},
      {WSTR("ab"), WSTR("ab")},
      {WSTR("}{"), WSTR("}{")},
      {WSTR("\\7bB\\7d"), WSTR("\\7bB\\7d")},  // escaped braces are no reference
  };
  for (const auto& c : cases) {
    WString expanded;
    EXPECT_TRUE(luma::policy::ExpandFilterVariables(c.value, provider, expanded)) << Narrow(c.value);
    EXPECT_EQ(expanded, c.expected) << Narrow(c.value);
  }
}

TEST(VariableExpansionTest, StopsAtTheSubstitutionBound) {
  const auto provider = MakeProvider();
  WString expanded;
  EXPECT_FALSE(luma::policy::ExpandFilterVariables(WSTR("{SELF}"), provider, expanded));
  EXPECT_FALSE(luma::policy::ExpandFilterVariables(WSTR("{TWICE}"), provider, expanded));
  EXPECT_LE(expanded.size(), 17u * 7u);

  WString sixteen, seventeen;
  for (int i = 0; i < luma::policy::kMaxVariableSubstitutions; ++i) sixteen += WSTR("{B}");
  seventeen = sixteen + WSTR("{B}");
  EXPECT_TRUE(luma::policy::ExpandFilterVariables(sixteen, provider, expanded));
  EXPECT_EQ(expanded.size(), 2u * luma::policy::kMaxVariableSubstitutions);
  EXPECT_FALSE(luma::policy::ExpandFilterVariables(seventeen, provider, expanded));
}

}  // namespace
