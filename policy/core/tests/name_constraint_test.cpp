#include "policy/core/name_constraint.h"

#include <gtest/gtest.h>

namespace {

TEST(NameConstraintTest, PlaceChecks) {
  struct Case {
    WString constraint, systemName;
    bool allowed;
  } cases[] = {
      {WSTR("PC1"), WSTR("pc1"), true},
      {WSTR("PC1"), WSTR("PC10"), false},
      {WSTR(""), WSTR(""), true},
      {WSTR("CORP"), WSTR(""), false},              // a workgroup computer
      {WSTR("\u00D6RN"), WSTR("\u00F6rn"), false},  // only A to Z change case
      {WSTR(""), WSTR("anything"), true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.allowed, luma::policy::IsNameAllowed(c.constraint, c.systemName));
}

TEST(NameConstraintTest, AccountKeyLowersAsciiOnly) {
  EXPECT_EQ(WSTR("corp/alice.\u00D6rn"), luma::policy::MakeAccountKey(WSTR("Corp"), WSTR("Alice.\u00D6rn")));
}

}  // namespace
