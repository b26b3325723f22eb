#include "policy/core/policy_file_name.h"

#include <gtest/gtest.h>

namespace {

TEST(PolicyFileName, PathIsLowerCasedWithEightDigestDigits) {
  EXPECT_EQ(luma::policy::MakePolicyFilePath(WSTR("D:\\Store"), WSTR("ACME"), WSTR("0123abcd99887766")),
            WSTR("d:\\store\\acme-0123abcd.policy"));
  EXPECT_EQ(luma::policy::MakePolicyFilePath(WSTR("D:\\Store"), WSTR("Acme"), WSTR("0123abcd")),
            luma::policy::MakePolicyFilePath(WSTR("D:\\Store"), WSTR("ACME"), WSTR("0123abcd")));
  EXPECT_EQ(luma::policy::MakePolicyFileSearchPattern(WSTR("D:\\Store"), WSTR("ACME")),
            WSTR("D:\\Store\\ACME-*.policy"));
}

TEST(PolicyFileName, OnlyTheExactFormOfTheProviderIsAccepted) {
  struct Case {
    const WCHAR* name;
    bool accepted;
  } cases[] = {
      {WSTR("acme-0123abcd.policy"), true},
      {WSTR("ACME-0123ABCD.POLICY"), true},
      {WSTR("Acme-00ff00FF.Policy"), true},
      {WSTR("acme-eu-0123abcd.policy"), false},  // another provider whose name begins with ACME-
      {WSTR("acme-eu-01.policy"), false},        // same length as the real form, digits not hexadecimal
      {WSTR("acme-0123abc.policy"), false},
      {WSTR("acme-0123abcde.policy"), false},
      {WSTR("acme-0123abcg.policy"), false},
      {WSTR("acme_0123abcd.policy"), false},
      {WSTR("acme-0123abcd.policy.tmp"), false},
      {WSTR("acme-0123abcd.polic"), false},
      {WSTR("acmx-0123abcd.policy"), false},
      {WSTR(""), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(luma::policy::IsPolicyFileNameOf(WSTR("ACME"), c.name), c.accepted)
        << testing::PrintToString(WString(c.name).size());
  }
}

}  // namespace
