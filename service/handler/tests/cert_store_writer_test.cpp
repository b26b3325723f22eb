// What the provisioning writes into the stores: the exact property bytes (through the property seam,
// since not every platform stores every property), and the certificates in the user's real "MY"
// store, entering with their policy and leaving with it.
#include <algorithm>

#include "foundation/core/policy_id_property.h"
#include "service/core/cert_store_target.h"
#include "service/handler/tests/handler_test_support.h"

namespace luma::service::testing {
namespace {

constexpr DWORD kWait = 20000;

CTestCertificateMaker& Maker() {
  static CTestCertificateMaker maker;
  return maker;
}

std::vector<BYTE> Utf16WithZero(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

luma::CCertContextHandle FindInUserStore(PCCERT_CONTEXT certificate) {
  luma::CCertStoreHandle store(CertOpenSystemStoreW(0, L"MY"));
  if (!store) return luma::CCertContextHandle();
  return luma::CCertContextHandle(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                             CERT_FIND_EXISTING, certificate, nullptr));
}

std::wstring FriendlyNameOf(PCCERT_CONTEXT certificate) {
  const CSecureBuffer bytes = CCertificateDescriptor(certificate).GetFriendlyName();
  return bytes.size >= 2 ? std::wstring(reinterpret_cast<const wchar_t*>(bytes.data)) : std::wstring();
}

void AddToUserStore(const CSecureBuffer& encoded, const std::wstring& friendlyName) {
  luma::CCertStoreHandle store(CertOpenSystemStoreW(0, L"MY"));
  ASSERT_TRUE(store);
  luma::CCertContextHandle made(CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  ASSERT_TRUE(made);
  const CRYPT_DATA_BLOB name = {static_cast<DWORD>((friendlyName.size() + 1) * 2),
                                reinterpret_cast<BYTE*>(const_cast<wchar_t*>(friendlyName.c_str()))};
  ASSERT_TRUE(CertSetCertificateContextProperty(made.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &name));
  ASSERT_TRUE(
      CertAddCertificateContextToStore(store.get(), made.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
}

bool InUserStore(const CSecureBuffer& encoded) {
  luma::CCertContextHandle made(CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  return made && static_cast<bool>(FindInUserStore(made.get()));
}

TEST(CertStoreWriterTest, PropertiesAndTheirBytes) {
  const std::wstring store = UniqueName(L"lumaPassHandlerStore");
  struct Case {
    const wchar_t* providerPrefix;
    const wchar_t* readerImage;
    int daysUntilExpiry;
    const wchar_t* friendlyName;
    std::vector<DWORD> order;
  };
  const Case cases[] = {
      {L"", L"", 365, L"[luma-Pass] Sign", {2, 11, 0xA001}},
      {L"ACME", L"C:\\images\\card.png", 365, L"ACME Sign", {2, 11, 0xA001, 101}},
      {L"", L"", -10, L"[luma-Pass] Sign", {2, 11, 19, 0xA001}},
  };
  for (const Case& c : cases) {
    auto provider = MakeProvider(L"ACME", store, AUTH_TYPE_PASSWORD, true, [&c](CProviderConfig& config) {
      config.FriendlyNamePrefix = c.providerPrefix;
      config.CardReaderImage = c.readerImage;
    });
    CPropertyRecorder recorder;
    {
      CTestHandler handler;
      handler.SetCertPropertyWriterForTesting(recorder.Writer());
      handler.Attach(provider);
      CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
      CertificateOptions options;
      options.daysUntilExpiry = c.daysUntilExpiry;
      options.encryption = true;
      policy->certificatePolicies.push_back(
          MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign", options));
      provider->AddPolicy(policy, false);
      ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
      const CCertificatePolicy& certificate = *policy->certificatePolicies[0];

      const std::vector<CPropertyRecorder::Write> writes = recorder.Take();
      std::vector<DWORD> order;
      for (const auto& write : writes) order.push_back(write.id);
      EXPECT_EQ(order, c.order);
      for (const auto& write : writes) {
        EXPECT_EQ(write.certificate, certificate.descriptor.GetCertificate());
        switch (write.id) {
          case CERT_KEY_PROV_INFO_PROP_ID:
            EXPECT_EQ(write.flags, 0x80000000u);
            EXPECT_EQ(write.keyContainer, certificate.containerName);
            EXPECT_EQ(write.keyProviderName, L"Microsoft Base Smart Card Crypto Provider");
            EXPECT_EQ(write.keyProvider.dwProvType, 1u);
            EXPECT_EQ(write.keyProvider.dwFlags, 0u);
            EXPECT_EQ(write.keyProvider.cProvParam, 0u);
            EXPECT_EQ(write.keyProvider.dwKeySpec, certificate.descriptor.keySpec);
            break;
          case CERT_FRIENDLY_NAME_PROP_ID:
            EXPECT_EQ(write.flags, 0u);
            EXPECT_EQ(write.bytes, Utf16WithZero(c.friendlyName));
            break;
          case CERT_ARCHIVED_PROP_ID:
            EXPECT_EQ(write.flags, 0u);
            EXPECT_TRUE(write.bytes.empty());
            break;
          case LUMAPASSV_POLICY_ID_PROP_ID: {
            // "acme/alice": ten characters, twenty bytes, no terminating zero.
            EXPECT_EQ(write.flags, 0u);
            const std::vector<BYTE> expected = {'a', 0, 'c', 0, 'm', 0, 'e', 0, '/', 0,
                                                'a', 0, 'l', 0, 'i', 0, 'c', 0, 'e', 0};
            EXPECT_EQ(write.bytes, expected);
            break;
          }
          case CERT_SMART_CARD_READER_PROP_ID:
            EXPECT_EQ(write.flags, 0u);
            EXPECT_EQ(write.bytes, Utf16WithZero(c.readerImage));
            break;
          default:
            ADD_FAILURE() << "unexpected property " << write.id;
        }
      }
    }
  }
  CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, store.c_str());
}

// Whether the platform stores the property that marks the program's certificates.
bool CanSetPolicyIdProperty() {
  const CSecureBuffer encoded = Maker().Make(UniqueName(L"probe"), 30);
  luma::CCertContextHandle probe(CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data, encoded.size));
  BYTE value[2] = {'x', 0};
  const CRYPT_DATA_BLOB blob = {sizeof value, value};
  return probe && CertSetCertificateContextProperty(probe.get(), LUMAPASSV_POLICY_ID_PROP_ID, 0, &blob);
}

// Wine writes a whole registry store back when a program commits it, so a certificate one program
// deleted from "MY" can come back with another program's commit. The tests that look into the
// user's "MY" take turns, across the test programs running side by side.
class CUserStoreTurn {
 public:
  CUserStoreTurn() : mutex(CreateMutexW(nullptr, FALSE, L"lumaPassUserStoreTests")) {
    if (mutex) WaitForSingleObject(mutex.get(), INFINITE);  // an abandoned turn is ours as well
  }
  ~CUserStoreTurn() {
    if (mutex) ReleaseMutex(mutex.get());
  }
  CUserStoreTurn(const CUserStoreTurn&) = delete;
  CUserStoreTurn& operator=(const CUserStoreTurn&) = delete;

 private:
  luma::CKernelHandle mutex;
};

class UserStoreTest : public ::testing::Test {
 protected:
  CUserStoreTurn turn;  // first: held until everything else of the test is gone
  UserStoreTest()
      : provider(MakeProvider(L"ACME", L"MY")), prefix(L"[luma-Pass " + UniqueName(L"test") + L"] ") {}

  // The user's store is shared by test programs running side by side: each test names its
  // certificates with a prefix of its own, so that a clean-up by prefix takes only its own.
  void Attach(CTestHandler& handler) {
    handler.SetFriendlyNamePrefix(prefix);
    handler.Attach(provider);
  }

  std::shared_ptr<CProviderContext> provider;
  const std::wstring prefix;
};

TEST_F(UserStoreTest, CertificatesEnterAndLeaveWithTheirPolicy) {
  CTestHandler handler;
  Attach(handler);
  CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
  policy->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign"));
  provider->AddPolicy(policy, false);
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  const CCertificatePolicy& certificate = *policy->certificatePolicies[0];

  {
    const luma::CCertContextHandle stored = FindInUserStore(certificate.descriptor.GetCertificate());
    ASSERT_TRUE(stored) << "the certificate is not in the user's MY store";
    const CCertificateDescriptor read(stored.get());
    EXPECT_EQ(read.containerName, certificate.containerName);
    EXPECT_EQ(read.providerName, L"Microsoft Base Smart Card Crypto Provider");
    EXPECT_EQ(read.providerType, 1u);
    EXPECT_EQ(FriendlyNameOf(stored.get()), prefix + L"Sign");
  }

  // Its account is gone from the provider by the time the handler hears of it.
  provider->RemovePolicy(*policy);
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_FALSE(FindInUserStore(certificate.descriptor.GetCertificate()));
}

TEST_F(UserStoreTest, StoredPolicyIdProperty) {
  if (!CanSetPolicyIdProperty()) GTEST_SKIP() << "this platform does not store certificate property 0xA001";
  CTestHandler handler;
  Attach(handler);
  CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
  policy->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign"));
  provider->AddPolicy(policy, false);
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  const luma::CCertContextHandle stored =
      FindInUserStore(policy->certificatePolicies[0]->descriptor.GetCertificate());
  ASSERT_TRUE(stored);
  BYTE value[64];
  DWORD size = sizeof value;
  ASSERT_TRUE(CertGetCertificateContextProperty(stored.get(), LUMAPASSV_POLICY_ID_PROP_ID, value, &size));
  EXPECT_EQ(std::vector<BYTE>(value, value + size),
            std::vector<BYTE>(PolicyIdPropertyBytes(L"acme/alice").data,
                              PolicyIdPropertyBytes(L"acme/alice").data + 20));
  provider->RemovePolicy(*policy);
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
}

// At shut-down the active certificates leave, and so does every certificate named with the
// program's prefix; a foreign one stays. Without any prefix nothing is taken.
TEST_F(UserStoreTest, ShutDownCleansTheStoreByPrefix) {
  const CSecureBuffer stale = Maker().Make(UniqueName(L"stale"), 30);
  const CSecureBuffer foreign = Maker().Make(UniqueName(L"foreign"), 30);
  AddToUserStore(stale, prefix + L"stale");
  AddToUserStore(foreign, L"Foreign certificate");
  CCertificatePolicyPtr active;
  {
    CTestHandler handler;
    Attach(handler);
    CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
    policy->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign"));
    active = policy->certificatePolicies[0];
    provider->AddPolicy(policy, false);
    ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
    ASSERT_TRUE(FindInUserStore(active->descriptor.GetCertificate()));
  }
  EXPECT_FALSE(FindInUserStore(active->descriptor.GetCertificate()));
  EXPECT_FALSE(InUserStore(stale));
  EXPECT_TRUE(InUserStore(foreign));

  AddToUserStore(stale, prefix + L"stale");
  {
    CTestHandler handler;
    handler.SetFriendlyNamePrefix(L"");
    handler.Attach(provider);
  }
  EXPECT_TRUE(InUserStore(stale));
  EXPECT_TRUE(InUserStore(foreign));

  // Leave the user's store as it was.
  for (const CSecureBuffer* encoded : {&stale, &foreign}) {
    luma::CCertContextHandle made(
        CertCreateCertificateContext(X509_ASN_ENCODING, encoded->data, encoded->size));
    luma::CCertStoreHandle store(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                                               CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
    PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                      made.get(), nullptr);
    if (found != nullptr) CertDeleteCertificateFromStore(found);
  }
}

}  // namespace
}  // namespace luma::service::testing
