#include "policy/core/built_in_variables.h"

#include <gtest/gtest.h>

#include "policy/core/tests/fake_system_names.h"

namespace {

using luma::testing::CFakeSystemNames;
using Variables = std::map<WString, WString>;

Variables Read(const CFakeSystemNames& source) {
  Variables variables;
  luma::policy::GetBuiltInVariables(source, variables);
  return variables;
}

TEST(BuiltInVariablesTest, ReadsTrimmedComputerNamesAndSplitsThePrincipalAndLoginNames) {
  CFakeSystemNames source;
  source.computerNames = {{ComputerNameKind::NetBIOS, WSTR("PC1 ")},
                          {ComputerNameKind::DnsHostname, WSTR("pc1")},
                          {ComputerNameKind::DnsDomain, WSTR("\tcorp.example.test")},
                          {ComputerNameKind::DnsFullyQualified, WSTR("pc1.corp.example.test")}};
  source.userNames = {{UserNameFormat::UserPrincipal, WSTR(" alice @ corp.example.test ")},
                      {UserNameFormat::SamCompatible, WSTR("CORP \\ alice")}};
  const Variables expected = {
      {WSTR("COMPUTER_DNS_DOMAIN"), WSTR("corp.example.test")},
      {WSTR("COMPUTER_DNS_FQDN"), WSTR("pc1.corp.example.test")},
      {WSTR("COMPUTER_DNS_HOSTNAME"), WSTR("pc1")},
      {WSTR("COMPUTER_NETBIOS_HOSTNAME"), WSTR("PC1")},
      {WSTR("USER_UPN"), WSTR("alice @ corp.example.test")},
      {WSTR("USER_UPN_NAME"), WSTR("alice")},
      {WSTR("USER_UPN_DOMAIN"), WSTR("corp.example.test")},
      {WSTR("USER_LOGIN_NAME"), WSTR("alice")},
      {WSTR("USER_LOGIN_DOMAIN"), WSTR("CORP")},
  };
  EXPECT_EQ(Read(source), expected);
}

TEST(BuiltInVariablesTest, PrincipalNameFallsBackToTheDnsDomainFormThenToTheSamForm) {
  struct Case {
    const char* what;
    std::map<UserNameFormat, WString> answers;
    Variables expected;
    std::vector<UserNameFormat> queries;
  } cases[] = {
      {"principal name without at sign",
       {{UserNameFormat::UserPrincipal, WSTR("alice")}},
       {{WSTR("USER_UPN"), WSTR("alice")}},
       {UserNameFormat::UserPrincipal, UserNameFormat::SamCompatible}},
      {"dns domain form",
       {{UserNameFormat::DnsDomain, WSTR("corp.example.test\\alice")},
        {UserNameFormat::SamCompatible, WSTR("C\\a")}},
       {{WSTR("USER_UPN"), WSTR("alice@corp.example.test")},
        {WSTR("USER_UPN_NAME"), WSTR("alice")},
        {WSTR("USER_UPN_DOMAIN"), WSTR("corp.example.test")},
        {WSTR("USER_LOGIN_NAME"), WSTR("a")},
        {WSTR("USER_LOGIN_DOMAIN"), WSTR("C")}},
       {UserNameFormat::UserPrincipal, UserNameFormat::DnsDomain, UserNameFormat::SamCompatible}},
      {"dns domain form without backslash ends the search",
       {{UserNameFormat::DnsDomain, WSTR("alice")}},
       {},
       {UserNameFormat::UserPrincipal, UserNameFormat::DnsDomain, UserNameFormat::SamCompatible}},
      {"sam form",
       {{UserNameFormat::SamCompatible, WSTR(" X \\ Y ")}},
       {{WSTR("USER_UPN"), WSTR("Y@X")},
        {WSTR("USER_UPN_NAME"), WSTR("Y")},
        {WSTR("USER_UPN_DOMAIN"), WSTR("X")},
        {WSTR("USER_LOGIN_NAME"), WSTR("Y")},
        {WSTR("USER_LOGIN_DOMAIN"), WSTR("X")}},
       {UserNameFormat::UserPrincipal, UserNameFormat::DnsDomain, UserNameFormat::SamCompatible,
        UserNameFormat::SamCompatible}},
      {"sam form without backslash",
       {{UserNameFormat::SamCompatible, WSTR("alice")}},
       {},
       {UserNameFormat::UserPrincipal, UserNameFormat::DnsDomain, UserNameFormat::SamCompatible,
        UserNameFormat::SamCompatible}},
      {"nothing readable",
       {},
       {},
       {UserNameFormat::UserPrincipal, UserNameFormat::DnsDomain, UserNameFormat::SamCompatible,
        UserNameFormat::SamCompatible}},
  };
  for (const auto& c : cases) {
    CFakeSystemNames source;
    source.userNames = c.answers;
    EXPECT_EQ(Read(source), c.expected) << c.what;
    EXPECT_EQ(source.userQueries, c.queries) << c.what;
  }
}

TEST(BuiltInVariablesTest, LoginNameSplitsAtTheFirstBackslash) {
  CFakeSystemNames source;
  source.userNames = {{UserNameFormat::UserPrincipal, WSTR("a@b")},
                      {UserNameFormat::SamCompatible, WSTR("D\\u\\v")}};
  const auto variables = Read(source);
  EXPECT_EQ(variables.at(WSTR("USER_LOGIN_DOMAIN")), WSTR("D"));
  EXPECT_EQ(variables.at(WSTR("USER_LOGIN_NAME")), WSTR("u\\v"));
  EXPECT_EQ(variables.count(WSTR("COMPUTER_NETBIOS_HOSTNAME")), 0u);
}

}  // namespace
