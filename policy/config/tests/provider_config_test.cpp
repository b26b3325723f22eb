#include "policy/config/provider_config.h"

#include <gtest/gtest.h>

#include "policy/config/browser_auth_config.h"
#include "policy/filters/cert_wrapper.h"
#include "policy/testing/fake_config_environment.h"
#include "policy/testing/test_certificates.h"
#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CFakeConfigEnvironment;
using luma::testing::CTestKey;
using luma::testing::TestKeyPath;
using List = std::vector<std::wstring>;

const wchar_t kBase[] = L"Software\\lumaPassTests\\ProviderConfig";

// A parent key like the "Provider" key, holding one provider subkey.
class ProviderConfigTest : public ::testing::Test {
 protected:
  CProviderConfig Read(const std::wstring& subKey = L"acme") const {
    return CProviderConfig(parent.get(), subKey, environment);
  }
  void Set(const wchar_t* name, const std::wstring& text) const { parent.SetText(L"acme", name, text); }
  void Set(const wchar_t* name, DWORD number) const { parent.SetNumber(L"acme", name, number); }

  CTestKey parent{HKEY_CURRENT_USER, TestKeyPath(kBase)};
  CFakeConfigEnvironment environment;
};

TEST_F(ProviderConfigTest, EmptyKeyGivesTheDefaults) {
  parent.CreateSubKey(L"acme");
  const CProviderConfig config = Read(L"acme");
  EXPECT_EQ(config.name, L"ACME");
  EXPECT_EQ(config.disabled, 0u);
  EXPECT_TRUE(config.member);
  EXPECT_EQ(config.Name, L"");
  EXPECT_EQ(config.Description, L"");
  EXPECT_EQ(config.AccountManagementURL, L"");
  EXPECT_EQ(config.PolicyStore, L"");
  EXPECT_EQ(config.TargetCertStoreName, L"MY");
  EXPECT_EQ(config.TargetCertStoreType, 0x10000u);
  EXPECT_EQ(config.TargetProviderName, L"Microsoft Base Smart Card Crypto Provider");
  EXPECT_EQ(config.TargetProviderType, 1u);
  EXPECT_EQ(config.FriendlyNamePrefix, L"");
  EXPECT_EQ(config.CardReaderImage, L"");
  EXPECT_EQ(config.service.ServiceTimeout, 60000u);
  ASSERT_NE(config.authConfig, nullptr);
  EXPECT_EQ(config.authConfig->type, AUTH_TYPE_NONE);
  EXPECT_FALSE(config.authConfig->IsValid());
  EXPECT_EQ(config.PolicySignerValidationPolicy, 0u);
  EXPECT_EQ(config.PolicySignerCertificateFilter.expression, nullptr);  // no condition
  EXPECT_TRUE(config.PolicySignerCertificateFilter.legacyFilters.empty());
  EXPECT_TRUE(environment.groupQueries.empty());

  const CProviderConfig missing = Read(L"NoSuchProvider");
  EXPECT_EQ(missing.name, L"NOSUCHPROVIDER");
  EXPECT_EQ(missing.authConfig->type, AUTH_TYPE_NONE);

  const CProviderConfig placeholder;
  EXPECT_EQ(placeholder.TargetCertStoreType, 0u);
  EXPECT_EQ(placeholder.TargetProviderType, 0u);
  ASSERT_NE(placeholder.authConfig, nullptr);
  EXPECT_EQ(placeholder.authConfig->type, AUTH_TYPE_NONE);
}

TEST_F(ProviderConfigTest, ReadsEveryValue) {
  SetEnvironmentVariableW(L"LUMA_TEST_POLICY_ROOT", L"C:\\policies");
  environment.language = L"de";
  Set(L"Disabled", 1);
  parent.SetText(L"acme\\de", L"Name", L"ACME Signaturdienst");
  parent.SetText(L"acme\\en", L"Name", L"ACME signing service");
  parent.SetText(L"acme\\en", L"Description", L"Line one\\nline two");
  parent.SetText(L"acme\\en", L"DialogTitlePassword", L"Password");
  parent.SetText(L"acme\\de", L"ToolTipPassword", L"Kennwort");
  parent.SetText(L"acme\\en", L"ToolTipTransportPassword", L"Transport");
  Set(L"ServiceURL", L"https://sign.example/soap");
  Set(L"ServiceTimeout", 30000);
  Set(L"AccountManagementURL", L"https://sign.example/account");
  Set(L"FriendlyNamePrefix", L"ACME");
  Set(L"TargetProviderName", L"Test CSP");
  Set(L"TargetProviderType", 24);
  Set(L"CardReaderImage", L"reader.png");
  Set(L"PolicyStore", L"%LUMA_TEST_POLICY_ROOT%\\acme");
  Set(L"PolicySignerValidationPolicy", 3);
  Set(L"PolicySignerCertificateFilter", L" (KeyUsage~=digitalSignature)");

  const CProviderConfig config = Read();
  EXPECT_EQ(config.disabled, 1u);
  EXPECT_EQ(config.Name, L"ACME Signaturdienst");
  EXPECT_EQ(config.Description, L"Line one\nline two");
  EXPECT_EQ(config.DialogTitlePassword, L"Password");
  EXPECT_EQ(config.ToolTipPassword, L"Kennwort");
  EXPECT_EQ(config.ToolTipTransportPassword, L"Transport");
  EXPECT_EQ(config.service.ServiceURL, L"https://sign.example/soap");
  EXPECT_EQ(config.service.ServiceTimeout, 30000u);
  EXPECT_EQ(config.AccountManagementURL, L"https://sign.example/account");
  EXPECT_EQ(config.FriendlyNamePrefix, L"ACME");
  EXPECT_EQ(config.TargetProviderName, L"Test CSP");
  EXPECT_EQ(config.TargetProviderType, 24u);
  EXPECT_EQ(config.CardReaderImage, L"reader.png");
  EXPECT_EQ(config.PolicyStore, L"C:\\policies\\acme");
  EXPECT_EQ(config.PolicySignerValidationPolicy, 3u);
  EXPECT_EQ(config.PolicySignerCertificateFilter.name, L"");
  EXPECT_NE(config.PolicySignerCertificateFilter.expression, nullptr);
  const UniqueCertContext signer = LoadTestCertificate("filter_client.der");
  ASSERT_TRUE(signer);
  CCertWrapper wrapper(signer.get());
  EXPECT_TRUE(CProviderConfig(config).PolicySignerCertificateFilter.Match(&wrapper));
  SetEnvironmentVariableW(L"LUMA_TEST_POLICY_ROOT", nullptr);
}

TEST_F(ProviderConfigTest, AuthenticationTypeChoosesTheMethodWithoutRegardToCase) {
  struct Case {
    const wchar_t* name;
    int type;
    bool negotiate;  // the provider's connection answers integrated-authentication challenges
  } const cases[] = {
      {L"password", AUTH_TYPE_PASSWORD, false},
      {L"otp", AUTH_TYPE_OTP, false},
      {L"Sms", AUTH_TYPE_SMS, false},
      {L"CERTIFICATE", AUTH_TYPE_CERTIFICATE, false},
      {L"KERBEROS", AUTH_TYPE_KERBEROS, true},
      {L"negotiate", AUTH_TYPE_NEGOTIATE, true},
      {L"Browser", AUTH_TYPE_BROWSER, false},
      {L"Smartcard", AUTH_TYPE_NONE, false},
      {L"", AUTH_TYPE_NONE, false},
  };
  Set(L"ServiceNegotiateSupport", 0);
  for (const auto& c : cases) {
    Set(L"AuthenticationType", c.name);
    const CProviderConfig config = Read();
    EXPECT_EQ(config.authConfig->type, c.type) << c.name;
    EXPECT_EQ(config.service.ServiceNegotiateSupport, c.negotiate) << c.name;
  }
}

TEST_F(ProviderConfigTest, MethodIsReadFromTheProviderKeyAndSharedByCopies) {
  Set(L"AuthenticationType", L"OTP");
  Set(L"ServiceURL", L"https://sign.example/soap");
  parent.SetText(L"acme\\OTP", L"ServiceURL", L"https://otp.example/login");
  parent.SetMulti(L"acme\\OTP", L"ServiceParameters", {L"user=%USER%"});

  const CProviderConfig config = Read();
  ASSERT_TRUE(config.authConfig->IsValid());
  std::wstring url = L"stale";
  EXPECT_TRUE(config.GetServiceURL(url));
  EXPECT_EQ(url, L"https://otp.example/login");

  CProviderConfig copy(config);
  CProviderConfig assigned;
  assigned = config;
  assigned = *&assigned;
  EXPECT_EQ(copy.GetAuthConfig(), config.authConfig);
  EXPECT_EQ(assigned.GetAuthConfig(), config.authConfig);
  EXPECT_EQ(assigned.service.ServiceURL, L"https://sign.example/soap");

  // Integrated and missing methods have no login address of their own.
  for (const wchar_t* type : {L"NEGOTIATE", L"unknown"}) {
    Set(L"AuthenticationType", type);
    url = L"stale";
    EXPECT_FALSE(Read().GetServiceURL(url)) << type;
    EXPECT_EQ(url, L"");
  }
  // An explicit method with an empty address.
  Set(L"AuthenticationType", L"sms");
  EXPECT_FALSE(Read().GetServiceURL(url));
}

TEST_F(ProviderConfigTest, TargetStoreDependsOnTheProductsPhysicalStore) {
  struct Case {
    bool physicalStore;
    bool written;
    const wchar_t* name;
    DWORD type;
  } const cases[] = {
      {true, false, L"lumaPassV", 0x10000},
      {true, true, L"Written", 0x10000},  // the registry's location is ignored
      {false, false, L"MY", 0x10000},
      {false, true, L"Written", 0x20000},
  };
  for (const auto& c : cases) {
    RegDeleteTreeW(parent.get(), L"acme");
    parent.CreateSubKey(L"acme");
    if (c.written) {
      Set(L"TargetCertStoreName", L"Written");
      Set(L"TargetCertStoreType", 0x20000);
    }
    environment.physicalStore = c.physicalStore;
    const CProviderConfig config = Read();
    EXPECT_EQ(config.TargetCertStoreName, c.name);
    EXPECT_EQ(config.TargetCertStoreType, c.type);
  }
}

TEST_F(ProviderConfigTest, MembershipOfTheListedGroups) {
  environment.groups = {{L"Staff", false}, {L"SigningUsers", true}};
  struct Case {
    const char* label;
    std::vector<const wchar_t*> multi;
    bool member;
    List queried;
  } const cases[] = {
      {"member of the second", {L"Staff; Signing Users"}, true, {L"Staff", L"SigningUsers"}},
      {"first match ends the test", {L"SigningUsers", L"Staff"}, true, {L"SigningUsers"}},
      {"member of none", {L"Staff"}, false, {L"Staff"}},
      {"unresolved groups", {L"Nobody,Ghosts"}, false, {L"Nobody", L"Ghosts"}},
      {"list of separators only", {L" ; , "}, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::wstring data;
    for (const wchar_t* text : c.multi) data.append(text).push_back(L'\0');
    data.push_back(L'\0');
    parent.SetRaw(L"acme", L"EnableOnlyForMembersOf", REG_MULTI_SZ, data.data(),
                  static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    environment.groupQueries.clear();
    EXPECT_EQ(Read().member, c.member);
    EXPECT_EQ(environment.groupQueries, c.queried);
  }
}

TEST(ProviderEnvironmentTest, WineCannotOpenPhysicalStores) {
  if (!luma::testing::RunningUnderWine()) GTEST_SKIP() << "the answer depends on the machine";
  EXPECT_FALSE(luma::policy::ProbeProductPhysicalStore());
  EXPECT_FALSE(luma::policy::GetSystemConfigEnvironment().ProductPhysicalStoreExists());
  EXPECT_FALSE(luma::policy::GetSystemConfigEnvironment().GetUILanguageName().empty());
}

TEST(ProviderEnvironmentTest, SystemGroupCheckOfAnUnknownGroupFails) {
  bool member = true;
  EXPECT_NE(
      luma::policy::GetSystemConfigEnvironment().IsCurrentUserInGroup(L"lumaPassTests No Such Group", member),
      static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(member);
}

}  // namespace
