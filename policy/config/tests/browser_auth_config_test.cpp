#include "policy/config/browser_auth_config.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "policy/testing/fake_config_environment.h"
#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CFakeConfigEnvironment;
using luma::testing::CTestKey;
using luma::testing::TestKeyPath;
using List = std::vector<std::wstring>;

const wchar_t kBase[] = L"Software\\lumaPassTests\\BrowserAuthConfig";

class BrowserAuthConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { provider.SetText(L"Browser", L"ServiceURL", L"https://idp.example/start"); }

  CTestKey provider{HKEY_CURRENT_USER, TestKeyPath(kBase)};
  CFakeConfigEnvironment environment;
};

TEST_F(BrowserAuthConfigTest, BrowserKeyAloneGivesTheDefaults) {
  const CBrowserAuthConfig config(provider.get(), environment);
  EXPECT_TRUE(config.IsValid());
  EXPECT_TRUE(config.interactive);
  EXPECT_EQ(config.RegistrationURL, L"https://idp.example/start");
  EXPECT_EQ(config.AuthCookieName, L"AL_SESS-S");
  EXPECT_FALSE(config.TrySilentFirst);
  EXPECT_EQ(config.OverrideKeyPath, L"");
  EXPECT_FALSE(config.AllowFormAutofill);
  EXPECT_FALSE(config.EnableScrollbars);
  EXPECT_TRUE(config.EnableProgressBar);
  EXPECT_FALSE(config.ForceSilent);
  EXPECT_FALSE(config.ShowScriptErrors);
  EXPECT_TRUE(config.AllowPopups);
  EXPECT_FALSE(config.UseIEFriendlyErrorPages);
  EXPECT_TRUE(config.PersistCookies);
  EXPECT_EQ(config.AutoCloseOnError, 5000u);
  EXPECT_EQ(config.CX, 70);
  EXPECT_EQ(config.CY, 50);
  EXPECT_EQ(config.OffsetX, 0);
  EXPECT_EQ(config.UserAgent, L"");
  EXPECT_TRUE(config.AllowedNavigationDomains.empty());
}

TEST_F(BrowserAuthConfigTest, ReadsEverySubkey) {
  provider.SetText(L"Browser", L"RegistrationURL", L"https://idp.example/register");
  provider.SetText(L"Browser", L"AuthCookieName", L"SESSION");
  provider.SetNumber(L"Browser", L"TrySilentFirst", 1);
  const wchar_t* const flags[] = {L"AllowFormAutofill", L"EnableScrollbars", L"ForceSilent",
                                  L"ShowScriptErrors", L"UseIEFriendlyErrorPages"};
  for (const wchar_t* flag : flags) provider.SetNumber(L"Browser\\BrowserFeatures", flag, 9);
  for (const wchar_t* flag : {L"EnableProgressBar", L"AllowPopups", L"PersistCookies"}) {
    provider.SetNumber(L"Browser\\BrowserFeatures", flag, 0);
  }
  provider.SetText(L"Browser\\BrowserFeatures", L"OverrideKeyPath", L"Software\\Test\\Browser");
  provider.SetNumber(L"Browser\\BrowserFeatures", L"AutoCloseOnError", 0);
  provider.SetNumber(L"Browser\\GUI", L"CX", 120);
  provider.SetNumber(L"Browser\\GUI", L"CY", 90);
  provider.SetNumber(L"Browser\\GUI", L"OffsetX", static_cast<DWORD>(-30));

  const CBrowserAuthConfig config(provider.get(), environment);
  EXPECT_EQ(config.RegistrationURL, L"https://idp.example/register");
  EXPECT_EQ(config.AuthCookieName, L"SESSION");
  EXPECT_TRUE(config.TrySilentFirst);
  EXPECT_EQ(config.OverrideKeyPath, L"Software\\Test\\Browser");
  EXPECT_TRUE(config.AllowFormAutofill && config.EnableScrollbars && config.ForceSilent &&
              config.ShowScriptErrors && config.UseIEFriendlyErrorPages);
  EXPECT_FALSE(config.EnableProgressBar || config.AllowPopups || config.PersistCookies);
  EXPECT_EQ(config.AutoCloseOnError, 0u);
  EXPECT_EQ(config.CX, 120);
  EXPECT_EQ(config.CY, 90);
  EXPECT_EQ(config.OffsetX, -30);
}

TEST_F(BrowserAuthConfigTest, UserAgentOfTheComputersDomainReplacesTheDefaultText) {
  provider.SetText(L"Browser\\UserAgent", L"", L"Agent/1.0");
  provider.SetText(L"Browser\\UserAgent", L"corp.example", L"Agent/corp");
  provider.SetText(L"Browser\\UserAgent", L"empty.example", L"");
  struct Case {
    const wchar_t* domain;
    const wchar_t* agent;
  } const cases[] = {
      {L"corp.example", L"Agent/corp"},
      {L"empty.example", L"Agent/1.0"},
      {L"other.example", L"Agent/1.0"},
      {L"", L"Agent/1.0"},  // no DNS domain, as under Wine
  };
  for (const auto& c : cases) {
    environment.dnsDomain = c.domain;
    EXPECT_EQ(CBrowserAuthConfig(provider.get(), environment).UserAgent, c.agent) << c.domain;
  }
}

TEST_F(BrowserAuthConfigTest, NavigationDomainsAreTheTrimmedTextsOfEveryValue) {
  provider.SetText(L"Browser\\AllowedNavigationDomains", L"1", L" idp.example ");
  provider.SetText(L"Browser\\AllowedNavigationDomains", L"blank", L"   ");
  provider.SetNumber(L"Browser\\AllowedNavigationDomains", L"number", 4);
  provider.SetText(L"Browser\\AllowedNavigationDomains", L"second", L"login.example");
  const std::wstring longName(300, L'n');  // longer than a value name may be read: skipped
  provider.SetText(L"Browser\\AllowedNavigationDomains", longName.c_str(), L"long.example");

  List domains = CBrowserAuthConfig(provider.get(), environment).AllowedNavigationDomains;
  std::sort(domains.begin(), domains.end());  // the registry's enumeration order is its own
  EXPECT_EQ(domains, (List{L"idp.example", L"login.example"}));
}

TEST(ComputerDnsDomainTest, WineHasNoDnsDomain) {
  if (!luma::testing::RunningUnderWine()) GTEST_SKIP() << "the answer depends on the machine";
  EXPECT_EQ(luma::policy::QueryComputerDnsDomain(), L"");
}

}  // namespace
