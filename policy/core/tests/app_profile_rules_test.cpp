#include "policy/core/app_profile_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RuleText {
  const WCHAR* versionMatch;
  const WCHAR* provider;
  const WCHAR* certFilter;
};

struct RuleCase {
  const char* description;
  std::vector<RuleText> rules;  // as the registry lists them
  const WCHAR* version;
  const WCHAR* provider;  // expected, with "default" as the profile's own
  const WCHAR* certFilter;
};

std::vector<CAppProfileVersionRule> MakeRules(const std::vector<RuleText>& texts) {
  std::vector<CAppProfileVersionRule> rules;
  for (const RuleText& text : texts) rules.emplace_back(text.versionMatch, text.provider, text.certFilter);
  luma::policy::OrderVersionRules(rules);
  return rules;
}

TEST(AppProfileRulesTest, TheFirstRuleInMatchingOrderDecides) {
  const RuleCase cases[] = {
      {"a leading wildcard is tried first and hides the rest",
       {{WSTR("*"), WSTR("B"), WSTR("")}, {WSTR("<16"), WSTR("A"), WSTR("")}},
       WSTR("1.0"),
       WSTR("B"),
       WSTR("default")},
      {"a leading wildcard, any version",
       {{WSTR("<16"), WSTR("A"), WSTR("")}, {WSTR("*"), WSTR("B"), WSTR("")}},
       WSTR("20.1"),
       WSTR("B"),
       WSTR("default")},
      {"the shorter condition comes first",
       {{WSTR("=1"), WSTR("A"), WSTR("")}, {WSTR("=1.5"), WSTR("B"), WSTR("")}},
       WSTR("1.5.0.0"),
       WSTR("A"),
       WSTR("default")},
      {"the shorter condition, another minor",
       {{WSTR("=1.5"), WSTR("B"), WSTR("")}, {WSTR("=1"), WSTR("A"), WSTR("")}},
       WSTR("1.2.0.0"),
       WSTR("A"),
       WSTR("default")},
      {"highest version first",
       {{WSTR(">=10"), WSTR("X"), WSTR("")},
        {WSTR(">=12"), WSTR("Y"), WSTR("")},
        {WSTR("<10"), WSTR("Z"), WSTR("")}},
       WSTR("13.0"),
       WSTR("Y"),
       WSTR("default")},
      {"the next one down",
       {{WSTR(">=10"), WSTR("X"), WSTR("")},
        {WSTR(">=12"), WSTR("Y"), WSTR("")},
        {WSTR("<10"), WSTR("Z"), WSTR("")}},
       WSTR("11.2"),
       WSTR("X"),
       WSTR("default")},
      {"equal leading numbers: the later listed rule first",
       {{WSTR(">=10"), WSTR("X"), WSTR("")},
        {WSTR(">=12"), WSTR("Y"), WSTR("")},
        {WSTR("<10"), WSTR("Z"), WSTR("")}},
       WSTR("9.9"),
       WSTR("Z"),
       WSTR("default")},
      {"equal conditions: reversed listing order",
       {{WSTR("*"), WSTR("C"), WSTR("")}, {WSTR("*"), WSTR("D"), WSTR("")}},
       WSTR("3.0"),
       WSTR("D"),
       WSTR("default")},
      {"an empty condition accepts any version; empty names keep the defaults",
       {{WSTR(""), WSTR(""), WSTR("F")}},
       WSTR("7.1.2.3"),
       WSTR("default"),
       WSTR("F")},
      {"no rule accepts the version",
       {{WSTR(">5"), WSTR("A"), WSTR("G")}},
       WSTR("1.0"),
       WSTR("default"),
       WSTR("default")},
      {"no rules at all", {}, WSTR("1.0"), WSTR("default"), WSTR("default")},
  };
  for (const RuleCase& c : cases) {
    WString provider = WSTR("default"), certFilter = WSTR("default");
    luma::policy::ApplyVersionRules(MakeRules(c.rules), CVersion(c.version), provider, certFilter);
    EXPECT_EQ(provider, WString(c.provider)) << c.description;
    EXPECT_EQ(certFilter, WString(c.certFilter)) << c.description;
  }
}

TEST(AppProfileRulesTest, OnlyTheFirstAcceptingRuleIsConsulted) {
  // "<16" accepts 2.0 and names a filter only; ">=2" (tried later) would name a provider, but is not used.
  const auto rules = MakeRules({{WSTR(">=2"), WSTR("P"), WSTR("")}, {WSTR("<16"), WSTR(""), WSTR("F")}});
  WString provider = WSTR("default"), certFilter = WSTR("default");
  EXPECT_TRUE(luma::policy::ApplyVersionRules(rules, CVersion(WSTR("2.0")), provider, certFilter));
  EXPECT_EQ(provider, WSTR("default"));
  EXPECT_EQ(certFilter, WSTR("F"));
}

}  // namespace
