#include "policy/config/service_config.h"

#include <gtest/gtest.h>

#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CTestKey;
using luma::testing::TestKeyPath;
using List = std::vector<std::wstring>;

const wchar_t kBase[] = L"Software\\lumaPassTests\\ServiceConfig";

TEST(ServiceConfigTest, EmptyKeyGivesTheDefaults) {
  const CTestKey key(HKEY_CURRENT_USER, TestKeyPath(kBase));
  for (const CServiceConfig& config : {CServiceConfig(key.get()), CServiceConfig()}) {
    EXPECT_EQ(config.ServiceURL, L"");
    EXPECT_EQ(config.ServiceTimeout, 60000u);
    EXPECT_EQ(config.ServiceSecurityFlags, 0u);
    EXPECT_TRUE(config.ServiceIssuerFingerprints.empty());
    EXPECT_FALSE(config.ServiceNegotiateSupport);
    EXPECT_EQ(config.ServiceProxyNames, L"");
    EXPECT_EQ(config.ServiceProxyUser, L"");
    EXPECT_EQ(config.ServiceProxyPassword, L"");
  }
}

TEST(ServiceConfigTest, ReadsEveryValueAndCopiesIt) {
  const CTestKey key(HKEY_CURRENT_USER, TestKeyPath(kBase));
  key.SetText(L"", L"ServiceURL", L"https://sign.example/soap");
  key.SetNumber(L"", L"ServiceTimeout", 15000);
  key.SetNumber(L"", L"ServiceSecurityFlags", 0x3100);
  key.SetMulti(L"", L"ServiceIssuerFingerprints", {L" AA BB ", L"cc;dd"});
  key.SetNumber(L"", L"ServiceNegotiateSupport", 2);  // any non-zero number is true
  key.SetText(L"", L"ServiceProxyNames", L"proxy:8080");
  key.SetText(L"", L"ServiceProxyUser", L"alice");
  key.SetText(L"", L"ServiceProxyPassword", L"secret");

  const CServiceConfig read(key.get());
  CServiceConfig assigned;
  assigned.ServiceIssuerFingerprints = {L"stale"};
  assigned.ServiceProxyPassword = L"an older and longer password";
  assigned = read;
  assigned = *&assigned;  // assignment to itself keeps everything
  for (const CServiceConfig& config : {read, CServiceConfig(read), assigned}) {
    EXPECT_EQ(config.ServiceURL, L"https://sign.example/soap");
    EXPECT_EQ(config.ServiceTimeout, 15000u);
    EXPECT_EQ(config.ServiceSecurityFlags, 0x3100u);
    EXPECT_EQ(config.ServiceIssuerFingerprints, (List{L"AABB", L"cc", L"dd"}));
    EXPECT_TRUE(config.ServiceNegotiateSupport);
    EXPECT_EQ(config.ServiceProxyNames, L"proxy:8080");
    EXPECT_EQ(config.ServiceProxyUser, L"alice");
    EXPECT_EQ(config.ServiceProxyPassword, L"secret");
  }
}

TEST(ServiceConfigTest, ValuesOfAnotherTypeCountAsAbsent) {
  const CTestKey key(HKEY_CURRENT_USER, TestKeyPath(kBase));
  key.SetText(L"", L"ServiceTimeout", L"1000");
  key.SetText(L"", L"ServiceNegotiateSupport", L"1");
  key.SetNumber(L"", L"ServiceURL", 1);
  key.SetText(L"", L"ServiceProxyNames", L"%TEMP%", REG_EXPAND_SZ);
  const BYTE shortNumber[2] = {1, 0};
  key.SetRaw(L"", L"ServiceSecurityFlags", REG_DWORD, shortNumber, sizeof(shortNumber));

  const CServiceConfig config(key.get());
  EXPECT_EQ(config.ServiceTimeout, 60000u);
  EXPECT_FALSE(config.ServiceNegotiateSupport);
  EXPECT_EQ(config.ServiceURL, L"");
  EXPECT_EQ(config.ServiceProxyNames, L"");
  EXPECT_EQ(config.ServiceSecurityFlags, 0u);
}

TEST(ServiceConfigTest, SplitListRemovesBlanksAndSplitsEachEntry) {
  const CTestKey key(HKEY_CURRENT_USER, TestKeyPath(kBase));
  key.SetText(L"", L"Text", L"ab cd ef,0123;4567");
  key.SetMulti(L"", L"Multi", {L"Domain Users", L";", L"x,y"});
  key.SetNumber(L"", L"Number", 5);

  List values{L"kept?"};
  luma::policy::RegQuerySplitList(key.get(), L"Text", values);
  EXPECT_EQ(values, (List{L"abcdef", L"0123", L"4567"}));
  luma::policy::RegQuerySplitList(key.get(), L"Multi", values);
  EXPECT_EQ(values, (List{L"DomainUsers", L"x", L"y"}));
  luma::policy::RegQuerySplitList(key.get(), L"Number", values);
  EXPECT_TRUE(values.empty());
  values = {L"old"};
  luma::policy::RegQuerySplitList(key.get(), L"Missing", values);
  EXPECT_TRUE(values.empty());
}

}  // namespace
