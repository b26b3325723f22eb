#include "policy/signed/policy_constraints.h"

#include <gtest/gtest.h>

#include "foundation/core/string_utils.h"
#include "foundation/win/system_utils.h"
#include "policy/core/tests/policy_fixtures.h"

namespace {

CPolicyConstraints Constraints(const std::wstring& domain, const std::wstring& hostname) {
  luma::policy::PolicyConstraintsFields fields;
  fields.version = 1;
  fields.domain = domain;
  fields.hostname = hostname;
  return CPolicyConstraints(fields);
}

TEST(PolicyConstraintsTest, ThisComputerAndDomain) {
  const std::wstring computer = luma::GetLocalComputerName();
  ASSERT_FALSE(computer.empty());
  const std::wstring domain = luma::GetJoinedDomainName();
  struct Case {
    CPolicyConstraints constraints;
    bool domainAllowed, hostAllowed;
  } cases[] = {
      {Constraints(L"", L""), true, true},
      {Constraints(L"", luma::ToLowerCase(computer)), true, true},
      {Constraints(L"", computer + L"0"), true, false},
      {Constraints(domain.empty() ? L"CORP" : domain + L"X", L""), false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.domainAllowed, c.constraints.IsDomainAllowed());
    EXPECT_EQ(c.hostAllowed, c.constraints.IsHostAllowed());
  }
}

TEST(PolicyConstraintsTest, DecodesItsElement) {
  const CPolicyConstraints constraints(
      Der(0x30, {DerInt(1), Der(0xA0, {DerIa5("DOM")}), Der(0xA1, {DerIa5("PC1")})}));
  EXPECT_EQ(1, constraints.version);
  EXPECT_EQ(L"DOM", constraints.domain);
  EXPECT_EQ(L"PC1", constraints.hostname);
}

}  // namespace
