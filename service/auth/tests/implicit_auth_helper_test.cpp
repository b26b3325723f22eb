// Certificate login in front of a real service call: the helper chooses the certificate, hands it
// to the transport (observed through its sender seam) and remembers or forgets it for the account.
#include "service/auth/implicit_auth_helper.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/auth/tests/auth_test_support.h"
#include "service/auth/tests/cert_store_fixture.h"
#include "service/auth/tests/recording_sender.h"
#include "service/testing/vault_test_support.h"

namespace luma::service::testing {
namespace {

class ImplicitAuthHelperTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    ASSERT_TRUE(store.IsOpen());
  }
  std::shared_ptr<CProviderContext> CertificateProvider(const wchar_t* path) {
    auto method = std::make_shared<CCertificateConfig>(nullptr);
    method->interactive = false;
    method->CertStoreName = store.Name();
    method->CertStoreType = CERT_SYSTEM_STORE_CURRENT_USER;
    method->AuthenticationCertificateFilter = L"(KeyLength>=1024)";
    method->filter = CCertificateFilter(L"", method->AuthenticationCertificateFilter);
    return MakeProvider(method, CTestClock(), ConfigFor(service, path));
  }
  std::unique_ptr<CVaultCoreSOAPClient> Client(const std::shared_ptr<CProviderContext>& provider) {
    auto client = std::make_unique<CVaultCoreSOAPClient>(provider->config.service, CSecureBuffer(), nullptr);
    client->proxy.SetRequestSender(&sender);
    return client;
  }

  CTestSigningService service;
  CTestCertStore store;
  CRecordingSender sender;
};

TEST_F(ImplicitAuthHelperTest, RememberedCertificateIsPresentedRememberedAndForgotten) {
  ASSERT_TRUE(store.Add(L"good1", 1024, true));
  ASSERT_TRUE(store.Add(L"good2", 1024, true));
  auto provider = CertificateProvider(L"/vault");
  auto account = MakeAccount(L"ACME/anna");
  provider->tokenCache.StoreCertFingerprint(*account, store.Fingerprint(L"good2", true));

  CImplicitAuthHelper helper(nullptr, provider, account);
  {
    auto client = Client(provider);
    helper.PrepareClient(*client, true);  // two candidates, silent: only the remembered one helps
    EXPECT_TRUE(client->IsAlive());
  }
  ASSERT_FALSE(sender.presented.empty());
  EXPECT_EQ(store.Fingerprint(L"good2"), sender.presented[0]);

  provider->tokenCache.RemoveCertFingerprint(*account);
  helper.RememberCertificate();
  std::wstring remembered;
  ASSERT_TRUE(provider->tokenCache.GetCertFingerprint(*account, remembered));
  EXPECT_EQ(store.Fingerprint(L"good2"), remembered);
  helper.ForgetCertificate();
  EXPECT_FALSE(provider->tokenCache.GetCertFingerprint(*account, remembered));
}

TEST_F(ImplicitAuthHelperTest, NoUsableCertificateThrowsBeforeAnyTraffic) {
  ASSERT_TRUE(store.Add(L"good1", 1024, true));
  ASSERT_TRUE(store.Add(L"good2", 1024, true));
  auto provider = CertificateProvider(L"/vault");
  // Without account nothing is remembered: two candidates in silent mode leave no choice.
  CImplicitAuthHelper helper(nullptr, provider);
  auto client = Client(provider);
  try {
    helper.PrepareClient(*client, true);
    FAIL() << "no certificate should be chosen";
  } catch (const CSOAPServiceException& e) {
    EXPECT_EQ(401, e.GetStatus());
    EXPECT_EQ(static_cast<std::int32_t>(0x8010002C), e.GetError());
    EXPECT_EQ(L"No certificate available for service authentication", e.GetMessage());
  }
  EXPECT_TRUE(service.Requests().empty());
  EXPECT_TRUE(sender.presented.empty());
}

TEST_F(ImplicitAuthHelperTest, OtherMethodsLeaveClientAndCacheAlone) {
  ASSERT_TRUE(store.Add(L"good1", 1024, true));
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_OTP), CTestClock(), ConfigFor(service, L"/vault"));
  auto account = MakeAccount(L"ACME/anna");
  provider->tokenCache.StoreCertFingerprint(*account, L"0123");
  CImplicitAuthHelper helper(nullptr, provider, account);
  {
    auto client = Client(provider);
    helper.PrepareClient(*client, false);
    EXPECT_TRUE(client->IsAlive());
  }
  EXPECT_TRUE(sender.presented.empty() || sender.presented == std::vector<std::wstring>{L""});
  helper.ForgetCertificate();
  helper.RememberCertificate();
  std::wstring remembered;
  ASSERT_TRUE(provider->tokenCache.GetCertFingerprint(*account, remembered));
  EXPECT_EQ(L"0123", remembered);
}

}  // namespace
}  // namespace luma::service::testing
