#include "policy/core/variable_provider.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(VariableProviderTest, MapProviderIgnoresCaseAndAnswersTheDefaultForUnknownNames) {
  auto provider = std::make_shared<CMapVariableProvider>(WSTR("<undef>"));
  provider->SetVariables({{WSTR("User_Upn"), WSTR("alice@example.test")}, {WSTR("X"), WSTR("1")}});
  provider->SetVariables({{WSTR("x"), WSTR("2")}});  // same upper-case name: overwritten
  const std::shared_ptr<CVariableProvider> base = provider;
  EXPECT_EQ(base->GetValue(WSTR("user_upn")), WSTR("alice@example.test"));
  EXPECT_EQ(base->GetValue(WSTR("USER_UPN")), WSTR("alice@example.test"));
  EXPECT_EQ(base->GetValue(WSTR("X")), WSTR("2"));
  EXPECT_EQ(base->GetValue(WSTR("UNKNOWN_NAME")), WSTR("<undef>"));
  EXPECT_EQ(base->GetValue(WSTR("")), WSTR("<undef>"));
}

TEST(VariableProviderTest, NopProviderGivesTheNameBack) {
  const std::shared_ptr<CVariableProvider> provider = std::make_shared<CNopVariableProvider>();
  EXPECT_EQ(provider->GetValue(WSTR("UNKNOWN_NAME")), WSTR("UNKNOWN_NAME"));
  EXPECT_EQ(provider->GetValue(WSTR("")), WSTR(""));
}

}  // namespace
