#include "policy/config/auth_config.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

const wchar_t kBase[] = L"Software\\lumaPassTests\\AuthConfig";

class AuthConfigTest : public ::testing::Test {
 protected:
  CTestKey provider{HKEY_CURRENT_USER, TestKeyPath(kBase)};
  CFakeConfigEnvironment environment;
};

using Make = std::function<std::unique_ptr<CAuthConfig>(HKEY, const CConfigEnvironment&)>;
template <typename T>
Make MakeWithEnvironment() {
  return
      [](HKEY key, const CConfigEnvironment& environment) { return std::make_unique<T>(key, environment); };
}
template <typename T>
Make MakeWithoutEnvironment() {
  return [](HKEY key, const CConfigEnvironment&) { return std::make_unique<T>(key); };
}

TEST_F(AuthConfigTest, ValidityPerMethod) {
  struct Case {
    const char* label;
    Make make;
    const wchar_t* subKey;
    bool url, parameters, filter, cookie;  // which of the deciding values are written
    int type;
    bool valid, interactive;
  } const cases[] = {
      {"password", MakeWithEnvironment<CPasswordConfig>(), L"Password", true, true, false, false, 1, true,
       true},
      {"password without parameters", MakeWithEnvironment<CPasswordConfig>(), L"Password", true, false, false,
       false, 1, false, true},
      {"otp", MakeWithEnvironment<COTPConfig>(), L"OTP", true, true, false, false, 2, true, true},
      {"otp without parameters", MakeWithEnvironment<COTPConfig>(), L"OTP", true, false, false, false, 2,
       false, true},
      {"otp without url", MakeWithEnvironment<COTPConfig>(), L"OTP", false, true, false, false, 2, false,
       true},
      {"sms without parameters", MakeWithEnvironment<CSMSConfig>(), L"SMS", true, false, false, false, 3,
       true, true},
      {"sms without url", MakeWithEnvironment<CSMSConfig>(), L"SMS", false, true, false, false, 3, false,
       true},
      {"certificate without url", MakeWithEnvironment<CCertificateConfig>(), L"Certificate", false, false,
       true, false, 4, true, false},
      {"certificate with url", MakeWithEnvironment<CCertificateConfig>(), L"Certificate", true, false, true,
       false, 4, true, true},
      {"certificate without filter", MakeWithEnvironment<CCertificateConfig>(), L"Certificate", true, true,
       false, false, 4, false, true},
      {"kerberos without subkey", MakeWithoutEnvironment<CKerberosConfig>(), L"Elsewhere", false, false,
       false, false, 5, true, false},
      {"negotiate", MakeWithoutEnvironment<CNegotiateConfig>(), L"Negotiate", false, false, false, false, 6,
       true, false},
      {"browser", MakeWithEnvironment<CBrowserAuthConfig>(), L"Browser", true, false, false, false, 7, true,
       true},
      {"browser without url", MakeWithEnvironment<CBrowserAuthConfig>(), L"Browser", false, false, false,
       false, 7, false, true},
      {"browser with empty cookie name", MakeWithEnvironment<CBrowserAuthConfig>(), L"Browser", true, false,
       false, true, 7, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RegDeleteTreeW(provider.get(), c.subKey);
    provider.CreateSubKey(c.subKey);
    if (c.url) provider.SetText(c.subKey, L"ServiceURL", L"https://login.example/");
    if (c.parameters) provider.SetMulti(c.subKey, L"ServiceParameters", {L"user=%USER%"});
    if (c.filter) provider.SetText(c.subKey, L"AuthenticationCertificateFilter", L"(EKU=1.3.6.1.5.5.7.3.2)");
    if (c.cookie) provider.SetText(c.subKey, L"AuthCookieName", L"");
    const auto config = c.make(provider.get(), environment);
    EXPECT_EQ(config->type, c.type);
    EXPECT_EQ(config->IsValid(), c.valid);
    EXPECT_EQ(config->interactive, c.interactive);
    RegDeleteTreeW(provider.get(), c.subKey);
  }
  EXPECT_FALSE(CAuthConfig().IsValid());
  EXPECT_EQ(CAuthConfig().AutoRefreshInterval, 0u);
}

TEST_F(AuthConfigTest, MissingMethodKeyLeavesTheDefaultsAndIsInvalid) {
  const COTPConfig otp(provider.get(), environment);
  EXPECT_EQ(otp.type, AUTH_TYPE_OTP);
  EXPECT_FALSE(otp.IsValid());
  EXPECT_TRUE(otp.interactive);
  EXPECT_EQ(otp.AutoRefreshInterval, 0u);
  EXPECT_EQ(otp.service.ServiceTimeout, 60000u);
  const CCertificateConfig certificate(provider.get(), environment);
  EXPECT_EQ(certificate.CertStoreName, L"MY");
  EXPECT_EQ(certificate.CertStoreType, 0x10000u);
  EXPECT_FALSE(certificate.IsValid());
}

TEST_F(AuthConfigTest, AutomaticSettingsOfTheMethodKey) {
  provider.CreateSubKey(L"SMS");
  provider.SetNumber(L"Kerberos", L"AutoProvision", 7);
  provider.SetNumber(L"Kerberos", L"AutoRefresh", 1);
  provider.SetNumber(L"Kerberos", L"AutoRefreshInterval", 600);
  provider.SetNumber(L"Kerberos", L"AutoMaxConsecutiveErrors", 3);

  const CSMSConfig defaults(provider.get(), environment);
  EXPECT_FALSE(defaults.AutoProvision);
  EXPECT_FALSE(defaults.AutoRefresh);
  EXPECT_EQ(defaults.AutoRefreshInterval, 28800u);
  EXPECT_EQ(defaults.AutoMaxConsecutiveErrors, 0u);

  const CKerberosConfig kerberos(provider.get());
  EXPECT_TRUE(kerberos.AutoProvision);
  EXPECT_TRUE(kerberos.AutoRefresh);
  EXPECT_EQ(kerberos.AutoRefreshInterval, 600u);
  EXPECT_EQ(kerberos.AutoMaxConsecutiveErrors, 3u);
  EXPECT_EQ(CNegotiateConfig(provider.get()).AutoRefreshInterval, 0u);  // no subkey: nothing read
}

TEST_F(AuthConfigTest, LocalisedTextsFallBackToEnglishWithLineBreaks) {
  environment.language = L"de";
  provider.SetText(L"OTP", L"ServiceURL", L"https://otp.example/login");
  provider.SetNumber(L"OTP", L"ServiceTimeout", 5000);
  provider.SetText(L"OTP", L"ServiceParameters", L"  single line  ");
  provider.SetText(L"OTP\\de", L"DialogTitleAuthentication", L"Anmeldung");
  provider.SetText(L"OTP\\en", L"DialogTitleAuthentication", L"Login");
  provider.SetText(L"OTP\\de", L"HintOTP", L"");  // empty: the English text serves
  provider.SetText(L"OTP\\en", L"HintOTP", L"One-time\\npassword");
  provider.SetText(L"OTP\\en", L"HintUserID", L"User");
  provider.SetText(L"OTP\\de", L"ToolTipPassword", L"Kennwort");
  provider.SetText(L"OTP", L"HintPassword", L"not localised");  // only language subkeys count

  const COTPConfig otp(provider.get(), environment);
  EXPECT_TRUE(otp.IsValid());
  EXPECT_EQ(otp.DialogTitleAuthentication, L"Anmeldung");
  EXPECT_EQ(otp.HintOTP, L"One-time\npassword");
  EXPECT_EQ(otp.HintUserID, L"User");
  EXPECT_EQ(otp.ToolTipPassword, L"Kennwort");
  EXPECT_EQ(otp.HintPassword, L"");
  EXPECT_EQ(otp.ToolTipOTP, L"");
  EXPECT_EQ(otp.ServiceParameters, (List{L"single line"}));
  EXPECT_EQ(otp.GetServiceConfig().ServiceURL, L"https://otp.example/login");
  EXPECT_EQ(otp.GetServiceConfig().ServiceTimeout, 5000u);
}

TEST_F(AuthConfigTest, CertificateMethodReadsItsStoreAndFilter) {
  provider.SetText(L"Certificate", L"AuthenticationCertificateFilter", L"KU+digitalSignature");
  provider.SetText(L"Certificate", L"CertStoreName", L"Root");
  provider.SetNumber(L"Certificate", L"CertStoreType", 0x20000);
  provider.SetMulti(L"Certificate", L"ServiceParameters", {L"ignored"});
  const CCertificateConfig config(provider.get(), environment);
  EXPECT_TRUE(config.IsValid());
  EXPECT_EQ(config.AuthenticationCertificateFilter, L"KU+digitalSignature");
  EXPECT_EQ(config.filter.name, L"");
  EXPECT_EQ(config.filter.legacyFilters.size(), 1u);
  const UniqueCertContext client = LoadTestCertificate("filter_client.der");
  const UniqueCertContext device = LoadTestCertificate("filter_device.der");
  ASSERT_TRUE(client && device);
  CCertWrapper clientWrapper(client.get()), deviceWrapper(device.get());
  EXPECT_TRUE(config.filter.Match(&clientWrapper));
  EXPECT_FALSE(config.filter.Match(&deviceWrapper));
  EXPECT_EQ(config.CertStoreName, L"Root");
  EXPECT_EQ(config.CertStoreType, 0x20000u);

  provider.SetText(L"Certificate", L"CertStoreName", L"");
  EXPECT_FALSE(CCertificateConfig(provider.get(), environment).IsValid());
}

}  // namespace
