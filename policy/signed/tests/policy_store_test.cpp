#include "policy/signed/policy_store.h"

#include <gtest/gtest.h>

#include "foundation/core/string_utils.h"
#include "foundation/win/tests/test_temp_dir.h"
#include "policy/core/policy_exception.h"
#include "policy/testing/policy_test_fixtures.h"
#include "policy/testing/user_registry_override.h"

namespace {

using namespace policy_test;

TEST(PolicyFileNames, DigestOfTheUpperCasedUserIdUnderTheLowerCasedProvider) {
  EXPECT_EQ(luma::policy::GetPolicyFileName(L"D:\\Store", L"ACME", L"alice"),
            L"d:\\store\\acme-165174fe.policy");
  EXPECT_EQ(luma::policy::GetPolicyFileName(L"D:\\Store", L"Acme", L"ALICE"),
            L"d:\\store\\acme-165174fe.policy");
  EXPECT_EQ(luma::policy::GetPolicyFileName(L"D:\\Store", L"ACME", L"bob"),
            L"d:\\store\\acme-fdd66cdd.policy");
}

class PolicyStoreTest : public ::testing::Test {
 protected:
  CTestTempDir dir;
  CProviderConfig config = MakeConfig(dir.path() + L"\\store");
  std::wstring PathOf(const CPolicy& policy) {
    std::wstring path;
    luma::policy::GetPolicyFileName(policy, path, config);
    return path;
  }
};

TEST_F(PolicyStoreTest, SavedPoliciesLoadBackWithTheirBytes) {
  const CPolicyPtr alice = Decode(config, L"alice");
  const CPolicyPtr bob = Decode(config, L"bob");
  luma::policy::SavePolicyFile(config, *alice);  // creates the folder
  luma::policy::SavePolicyFile(config, *bob);
  EXPECT_EQ(FileBytes(PathOf(*alice)), alice->raw);

  std::list<CPolicyPtr> loaded;
  luma::policy::LoadPolicyFiles(config, TrustedSigners(), loaded);
  ASSERT_EQ(loaded.size(), 2u);
  for (const CPolicyPtr& policy : loaded) {
    EXPECT_EQ(policy->providerName, L"ACME");
    EXPECT_EQ(policy->raw, policy->userId == L"alice" ? alice->raw : bob->raw);
  }

  luma::policy::DeletePolicyFile(config, *alice);
  EXPECT_FALSE(FileExists(PathOf(*alice)));
  loaded.clear();
  luma::policy::LoadPolicyFiles(config, TrustedSigners(), loaded);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded.front()->userId, L"bob");
}

TEST_F(PolicyStoreTest, OnlyValidFilesOfThisProviderAreLoaded) {
  const CPolicyPtr alice = Decode(config, L"alice");
  luma::policy::SavePolicyFile(config, *alice);
  const std::wstring folder = config.PolicyStore;
  const std::wstring garbage = folder + L"\\acme-00000000.policy";
  ASSERT_EQ(luma::WriteFileData(garbage, CSecureBuffer(3, "bad")), 0u);
  const std::wstring untrusted = folder + L"\\acme-11111111.policy";
  ASSERT_EQ(luma::WriteFileData(untrusted, ReadFixture(L"untrusted.p7")), 0u);
  // A provider whose name begins with "ACME-": its valid policy must not become one of ACME's.
  const std::wstring foreign = folder + L"\\acme-eu-22222222.policy";
  ASSERT_EQ(luma::WriteFileData(foreign, SignedPolicy(L"bob")), 0u);
  const std::wstring leftover = PathOf(*alice) + L".new";
  ASSERT_EQ(luma::WriteFileData(leftover, SignedPolicy(L"bob")), 0u);
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\acme-33333333.policy").c_str(), nullptr));

  std::list<CPolicyPtr> loaded;
  luma::policy::LoadPolicyFiles(config, TrustedSigners(), loaded);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded.front()->userId, L"alice");
  EXPECT_TRUE(FileExists(garbage)) << "a bad file is left in place";
  EXPECT_TRUE(FileExists(untrusted));
  EXPECT_TRUE(FileExists(foreign));

  std::list<CPolicyPtr> none;
  luma::policy::LoadPolicyFiles(MakeConfig(dir.path() + L"\\missing"), TrustedSigners(), none);
  EXPECT_TRUE(none.empty());
}

TEST_F(PolicyStoreTest, AnInterruptedRewriteLeavesTheOldFileWhole) {
  const CPolicyPtr alice = Decode(config, L"alice");
  const CPolicyPtr later = Decode(config, L"alice_later");
  luma::policy::SavePolicyFile(config, *alice);
  const std::wstring pending = PathOf(*alice) + L".new";
  // The new bytes cannot be written: the step before the swap fails.
  ASSERT_TRUE(CreateDirectoryW(pending.c_str(), nullptr));
  luma::policy::SavePolicyFile(config, *later);
  EXPECT_EQ(FileBytes(PathOf(*alice)), alice->raw);

  RemoveDirectoryW(pending.c_str());
  luma::policy::SavePolicyFile(config, *later);
  EXPECT_EQ(FileBytes(PathOf(*alice)), later->raw);
  EXPECT_FALSE(FileExists(pending));
}

class DisabledCertificatesTest : public ::testing::Test {
 protected:
  CUserRegistryOverride userRegistry;
  const CSecureBuffer certificate{5, "cert1"};
  const std::wstring valueName = luma::Sha1Hex(certificate.data, certificate.size);
  luma::CRegistryKeyHandle key;

  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\nuvak\\lumaPassV\\DisabledCertificates", 0,
                              nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegDeleteValueW(key.get(), valueName.c_str());
    key.reset();
  }
  void SetRaw(DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExW(key.get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
};

TEST_F(DisabledCertificatesTest, ANonZeroDwordNamedByTheDigestDisables) {
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
  luma::policy::SetCertificateDisabled(certificate, true);
  EXPECT_TRUE(luma::policy::IsCertificateDisabled(certificate));
  DWORD type = 0, value = 0, size = sizeof(value);
  ASSERT_EQ(
      RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 1u);
  luma::policy::SetCertificateDisabled(certificate, false);
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
  EXPECT_NE(RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
      << "enabling deletes the value";
}

TEST_F(DisabledCertificatesTest, OtherValuesCountAsEnabled) {
  const DWORD zero = 0, seven = 7;
  SetRaw(REG_DWORD, &zero, sizeof(zero));
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
  SetRaw(REG_DWORD, &seven, sizeof(seven));
  EXPECT_TRUE(luma::policy::IsCertificateDisabled(certificate));
  SetRaw(REG_SZ, L"1", 4);
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
  SetRaw(REG_BINARY, &seven, sizeof(seven));
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
  const BYTE shortValue[2] = {1, 0};
  SetRaw(REG_DWORD, shortValue, sizeof(shortValue));
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(certificate));
}

}  // namespace

namespace {

TEST(PolicySignerSettings, TheProvidersSignerFilterAcceptsSignersWithoutTrustModules) {
  CProviderConfig config = policy_test::MakeConfig(L"C:\\unused");
  const CSecureBuffer signedPolicy = policy_test::SignedPolicy(L"alice");
  EXPECT_FALSE(luma::policy::MakePolicyProviderSettings(config).signerFilter) << "no condition: no filter";
  EXPECT_THROW(CPolicy(luma::policy::MakePolicyProviderSettings(config), {}, signedPolicy), CPolicyException);

  config.PolicySignerCertificateFilter = CCertificateFilter(L"", L"(KeyUsage~=digitalSignature)");
  const CPolicy accepted(luma::policy::MakePolicyProviderSettings(config), {}, signedPolicy);
  EXPECT_EQ(accepted.providerName, L"ACME");

  config.PolicySignerCertificateFilter = CCertificateFilter(L"", L"(KeyLength>=8192)");
  EXPECT_THROW(CPolicy(luma::policy::MakePolicyProviderSettings(config), {}, signedPolicy), CPolicyException);
}

}  // namespace
