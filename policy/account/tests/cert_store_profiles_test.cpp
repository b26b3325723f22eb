#include "policy/account/cert_store_profiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/win/system_utils.h"
#include "policy/testing/test_certificates.h"
#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CTestKey;
using luma::testing::TestKeyPath;

// Two of the application-setting locations, the stronger first, under a test key of their own.
class CertStoreProfilesTest : public ::testing::Test {
 protected:
  CertStoreProfilesTest()
      : root(HKEY_CURRENT_USER, TestKeyPath(L"Software\\LumaPassTests")),
        strong(HKEY_CURRENT_USER, root.Path() + L"\\Policy"),
        weak(HKEY_CURRENT_USER, root.Path() + L"\\Setting") {
    reader.AddLocation(strong.Root(), strong.Path());
    reader.AddLocation(weak.Root(), weak.Path());
  }

  void WriteConfiguration() const {
    const std::wstring providers = L"CertStore\\CryptoProviders\\";
    weak.SetText(providers + L"CSP", L"Name", L"Test CSP");
    weak.SetNumber(providers + L"CSP", L"Type", 1);
    strong.SetNumber(providers + L"CSP", L"Type", 24);  // the stronger location wins
    weak.SetText(providers + L"KSP", L"Name", L"Test KSP");
    weak.SetNumber(providers + L"NoName", L"Type", 1);  // no Name: ignored

    const std::wstring filters = L"CertStore\\CertificateFilters\\";
    weak.SetText(filters + L"Sign", L"client", L"  (KeyUsage~=digitalSignature)  ");
    strong.SetText(filters + L"Sign", L"blank", L" \t ");
    strong.SetText(filters + L"Any", L"blank", L"   ");  // no filter text: matches every certificate

    const std::wstring profiles = L"CertStore\\AppProfiles\\";
    strong.SetText(profiles + L"Alpha", L"ProcessPathSpec", L"%SystemRoot%\\system32\\*.exe");
    weak.SetText(profiles + L"Alpha", L"DefaultProvider", L"CSP");
    weak.SetText(profiles + L"Alpha", L"DefaultCertFilter", L"Sign");
    weak.SetText(profiles + L"Alpha\\old", L"VersionMatch", L"<5");
    weak.SetText(profiles + L"Alpha\\old", L"CertFilter", L"Any");
    strong.SetText(profiles + L"Alpha\\any", L"VersionMatch", L"*");
    strong.SetText(profiles + L"Alpha\\any", L"Provider", L"KSP");  // tried first: a wildcard rule
    strong.SetText(profiles + L"Alpha\\seven", L"VersionMatch", L">=7");
    strong.SetText(profiles + L"Alpha\\seven", L"Provider", L"CSP");

    weak.SetText(profiles + L"Zeta", L"ProcessPathSpec", L"C:\\Apps\\*.exe;D:\\Apps\\*.com");
    weak.SetText(profiles + L"Zeta", L"DefaultProvider", L"CSP");
    weak.SetText(profiles + L"alpha", L"ProcessPathSpec", L"C:\\Apps\\tool.exe");
    weak.SetText(profiles + L"alpha", L"DefaultProvider", L"KSP");
    weak.SetText(profiles + L"beta", L"ProcessPathSpec", L"*\\gamma.exe");
    weak.SetText(profiles + L"beta", L"DefaultProvider", L"csp");  // case counts: no provider
    weak.SetText(profiles + L"beta", L"DefaultCertFilter", L"Missing");
    weak.SetText(profiles + L"delta", L"ProcessPathSpec", L"*\\delta.exe");
    weak.SetText(profiles + L"delta", L"DefaultProvider", L"NoName");
    weak.SetText(profiles + L"delta", L"DefaultCertFilter", L"Any");
    weak.SetText(profiles + L"empty", L"ProcessPathSpec", L"");
    weak.SetText(profiles + L"empty", L"DefaultProvider", L"CSP");

    weak.SetText(profiles + L"Default", L"Provider", L"KSP");
    weak.SetText(profiles + L"Default", L"CertFilter", L"Sign");
  }

  CTestKey root;
  CTestKey strong;
  CTestKey weak;
  CRegistryReader reader;
};

// "none", or the provider's "Name/Type".
std::wstring Describe(const std::shared_ptr<CCryptoProviderConfig>& provider) {
  return provider ? provider->Name + L"/" + std::to_wstring(provider->Type) : L"none";
}

// "none", or the names of the filters joined by "+" ("" for an empty list).
std::wstring Describe(const std::shared_ptr<CCertificateFilterConfig>& filter) {
  if (!filter) return L"none";
  std::wstring names;
  for (const auto& item : filter->filters) names += (names.empty() ? L"" : L"+") + item.name;
  return names;
}

TEST_F(CertStoreProfilesTest, ResolvesProcessesByPathVersionAndProfileNameOrder) {
  WriteConfiguration();
  CCertStoreConfig config(reader);
  const std::wstring system32 = luma::ExpandEnvironmentText(L"%SystemRoot%") + L"\\System32\\";

  const struct {
    std::wstring path;
    const wchar_t* version;
    const wchar_t* provider;
    const wchar_t* filter;
  } cases[] = {
      // The wildcard rule "*" is tried before ">=7" and "<5", so it decides for every version.
      {system32 + L"NOTEPAD.EXE", L"10.0", L"Test KSP/0", L"client"},
      {system32 + L"notepad.exe", L"4.1", L"Test KSP/0", L"client"},
      // "Zeta" sorts before "alpha" by code units and matches first; several patterns with ";".
      {L"C:\\Apps\\tool.exe", L"1.0", L"Test CSP/24", L"none"},
      {L"d:\\apps\\run.com", L"", L"Test CSP/24", L"none"},
      // A matching profile decides even when neither of its names resolves.
      {L"E:\\x\\gamma.exe", L"1.0", L"none", L"none"},
      {L"E:\\x\\delta.exe", L"1.0", L"none", L""},
      // No profile: the defaults of "Default".
      {L"E:\\other.exe", L"1.0", L"Test KSP/0", L"client"},
  };
  for (const auto& c : cases) {
    const std::string shown(c.path.begin(), c.path.end());
    for (int round = 0; round < 2; ++round) {  // the second answer comes from the cache
      CCertStoreProfile profile;
      EXPECT_TRUE(config.ResolveAppProfile(c.path, c.version, profile)) << shown;
      EXPECT_EQ(Describe(profile.first), c.provider) << shown;
      EXPECT_EQ(Describe(profile.second), c.filter) << shown;
    }
  }
}

TEST_F(CertStoreProfilesTest, WithoutProfilesOrDefaultsNothingResolves) {
  {
    CCertStoreConfig config(reader);
    CCertStoreProfile profile(std::make_shared<CCryptoProviderConfig>(), nullptr);
    EXPECT_FALSE(config.ResolveAppProfile(L"C:\\Apps\\tool.exe", L"1.0", profile));
    EXPECT_FALSE(profile.first);
    EXPECT_FALSE(profile.second);
  }
  // Defaults that name nothing known count as none.
  weak.SetText(L"CertStore\\AppProfiles\\Default", L"Provider", L"Unknown");
  weak.SetText(L"CertStore\\AppProfiles\\Default", L"ProcessPathSpec", L"");
  CCertStoreConfig config(reader);
  CCertStoreProfile profile;
  EXPECT_FALSE(config.ResolveAppProfile(L"C:\\Apps\\tool.exe", L"1.0", profile));
}

TEST_F(CertStoreProfilesTest, ProfileMatchLeavesTheOutputsAloneWhenThePathDoesNotMatch) {
  CAppProfileConfig profile;
  profile.DefaultProvider = L"P";
  std::wstring provider = L"untouched", filter = L"untouched";
  EXPECT_FALSE(profile.Match(L"C:\\a.exe", CVersion(), provider, filter));  // empty pattern
  profile.ProcessPathSpec = L"C:\\b?.exe";
  EXPECT_FALSE(profile.Match(L"C:\\a.exe", CVersion(), provider, filter));
  EXPECT_EQ(provider, L"untouched");
  EXPECT_EQ(filter, L"untouched");
  EXPECT_TRUE(profile.Match(L"c:\\B1.EXE", CVersion(), provider, filter));
  EXPECT_EQ(provider, L"P");
  EXPECT_EQ(filter, L"");
}

TEST_F(CertStoreProfilesTest, FilterConfigMatchesTheCertificateOfTheContext) {
  const UniqueCertContext client = LoadTestCertificate("filter_client.der");
  const UniqueCertContext device = LoadTestCertificate("filter_device.der");
  ASSERT_TRUE(client && device) << TestDataPath("filter_*.der");
  auto certificatePolicy = [](PCCERT_CONTEXT certificate) {
    CCertificatePolicy policy;
    policy.descriptor = CCertificateDescriptor(certificate);
    return policy;
  };
  const CCertificatePolicy clientPolicy = certificatePolicy(client.get());
  const CCertificatePolicy devicePolicy = certificatePolicy(device.get());
  const CCertificatePolicy noCertificate;

  CCertificateFilterConfig config;
  EXPECT_TRUE(config.Match(&clientPolicy));  // an empty list filters nothing
  EXPECT_TRUE(config.Match(&noCertificate));

  config.filters.emplace_back(L"server", L"(ExtendedKeyUsage=id-kp-serverAuth)");
  config.filters.emplace_back(L"signing", L"(KeyUsage~=digitalSignature)");
  EXPECT_TRUE(config.Match(&clientPolicy));  // by the second filter
  EXPECT_FALSE(config.Match(&devicePolicy));
  EXPECT_FALSE(config.Match(&noCertificate));
  EXPECT_FALSE(config.Match(nullptr));
}

TEST_F(CertStoreProfilesTest, ConcurrentResolutionsGiveTheSameAnswers) {
  WriteConfiguration();
  CCertStoreConfig config(reader);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&config, &failures, t] {
      for (int i = 0; i < 200; ++i) {
        CCertStoreProfile profile;
        const std::wstring path = L"C:\\Apps\\tool" + std::to_wstring(i % 7) + L".exe";
        if (!config.ResolveAppProfile(path, L"1.0", profile) || Describe(profile.first) != L"Test CSP/24") {
          ++failures[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
