#include "policy/filters/cert_wrapper.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "policy/testing/test_certificates.h"

namespace {

class CertWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ca_ = LoadTestCertificate("filter_ca.der");
    client_ = LoadTestCertificate("filter_client.der");
    server_ = LoadTestCertificate("filter_server.der");
    device_ = LoadTestCertificate("filter_device.der");
    ASSERT_TRUE(ca_ && client_ && server_ && device_) << TestDataPath("filter_*.der");
  }
  UniqueCertContext ca_, client_, server_, device_;
};

TEST_F(CertWrapperTest, FingerprintIsTheUpperCaseSha1Thumbprint) {
  const struct {
    const char* fixture;
    PCCERT_CONTEXT context;
  } cases[] = {{"filter_ca", ca_.get()},
               {"filter_client", client_.get()},
               {"filter_server", server_.get()},
               {"filter_device", device_.get()}};
  for (const auto& c : cases) {
    CCertWrapper wrapper(c.context);
    std::wstring fingerprint = L"stale";
    wrapper.GetFingerprint(fingerprint);
    EXPECT_EQ(fingerprint.size(), 40u) << c.fixture;
    EXPECT_EQ(fingerprint, ExpectedFilterValue("sha1", c.fixture)) << c.fixture;
  }
  CCertWrapper none(nullptr);
  std::wstring fingerprint = L"stale";
  none.GetFingerprint(fingerprint);
  EXPECT_TRUE(fingerprint.empty());
}

TEST_F(CertWrapperTest, AuthorityKeyIdentifierFromEitherExtensionForm) {
  // The issued certificates name the CA's subject key identifier in 2.5.29.35.
  CCertWrapper client(client_.get());
  EXPECT_EQ(client.GetAuthorityKeyIdentifier(), ExpectedFilterValue("skid", "filter_ca"));
  // Only the older 2.5.29.1 extension.
  CCertWrapper device(device_.get());
  EXPECT_EQ(device.GetAuthorityKeyIdentifier(), L"0F1E2D3C4B5A6978");
  // Neither: empty, and asked again without harm.
  CCertWrapper ca(ca_.get());
  EXPECT_TRUE(ca.GetAuthorityKeyIdentifier().empty());
  EXPECT_TRUE(ca.GetAuthorityKeyIdentifier().empty());
}

TEST_F(CertWrapperTest, EnhancedKeyUsagesComeFromTheExtensionAlone) {
  CCertWrapper server(server_.get());
  ASSERT_TRUE(server.LoadEnhancedKeyUsages());
  EXPECT_EQ(server.GetEnhancedKeyUsages(),
            (std::set<std::wstring>{L"1.3.6.1.5.5.7.3.1", L"1.3.6.1.5.5.7.3.2", L"1.3.6.1.5.5.7.3.4"}));
  // Loading again refills rather than accumulates.
  ASSERT_TRUE(server.LoadEnhancedKeyUsages());
  EXPECT_EQ(server.GetEnhancedKeyUsages().size(), 3u);

  CCertWrapper client(client_.get());
  ASSERT_TRUE(client.LoadEnhancedKeyUsages());
  EXPECT_EQ(client.GetEnhancedKeyUsages(), (std::set<std::wstring>{L"1.3.6.1.5.5.7.3.2"}));

  // Without the extension the list is read and empty, as Windows reports it.
  CCertWrapper device(device_.get());
  EXPECT_TRUE(device.LoadEnhancedKeyUsages());
  EXPECT_TRUE(device.GetEnhancedKeyUsages().empty());
}

TEST_F(CertWrapperTest, KeyUsageCacheStartsUnreadAndKeepsWhatTheFilterStores) {
  CCertWrapper wrapper(client_.get());
  EXPECT_EQ(wrapper.GetKeyUsage(), 0u);
  wrapper.SetKeyUsage(0xA0);
  EXPECT_EQ(wrapper.GetKeyUsage(), 0xA0u);
  EXPECT_EQ(wrapper.GetCertificate(), client_.get());
}

TEST_F(CertWrapperTest, NamesAreRenderedMostSpecificFirst) {
  EXPECT_EQ(luma::policy::GetSubjectName(client_.get()), L"CN=Client One, OU=Users, O=Test, C=DE");
  EXPECT_EQ(luma::policy::GetIssuerName(client_.get()), L"CN=Test Filter CA, O=Test, C=DE");
  EXPECT_EQ(luma::policy::GetSubjectName(device_.get()), L"CN=EC Device");
  EXPECT_TRUE(luma::policy::GetSubjectName(nullptr).empty());
}

TEST_F(CertWrapperTest, UserPrincipalNameFromTheAlternativeNames) {
  EXPECT_EQ(luma::policy::GetUserPrincipalName(client_.get()), L"client.one@corp.example.test");
  EXPECT_TRUE(luma::policy::GetUserPrincipalName(server_.get()).empty());  // DNS name only
  EXPECT_TRUE(luma::policy::GetUserPrincipalName(device_.get()).empty());  // no alternative names
}

}  // namespace
