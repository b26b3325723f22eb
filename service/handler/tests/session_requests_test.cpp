// Sessions, container records and certificate-store answers of the handler, and its request
// admission, with accounts provisioned into a store of the test's own.
#include "foundation/core/little_endian.h"
#include "foundation/win/registry_reader.h"
#include "policy/testing/test_registry.h"
#include "service/handler/tests/handler_test_support.h"

namespace luma::service::testing {
namespace {

using namespace VirtualSmartCardProtocol;
using luma::testing::CTestKey;
using luma::testing::TestKeyPath;

constexpr DWORD kWait = 20000;

CTestCertificateMaker& Maker() {
  static CTestCertificateMaker maker;
  return maker;
}

struct CStoreRemover {
  explicit CStoreRemover(std::wstring name) : name(std::move(name)) {}
  ~CStoreRemover() {
    CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                  CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, name.c_str());
  }
  std::wstring name;
};

// Application profiles under a test key: "signer.exe" names the key provider "Test KSP" and sees
// only non-repudiation certificates; "plain.exe" has a profile without provider or filter.
std::unique_ptr<CCertStoreConfig> TestProfiles(const CTestKey& key) {
  const std::wstring providers = L"CertStore\\CryptoProviders\\";
  key.SetText(providers + L"KSP", L"Name", L"Test KSP");
  key.SetNumber(providers + L"KSP", L"Type", 0);
  key.SetText(L"CertStore\\CertificateFilters\\NonRep", L"only", L"(KeyUsage~=nonRepudiation)");
  const std::wstring profiles = L"CertStore\\AppProfiles\\";
  key.SetText(profiles + L"Signer", L"ProcessPathSpec", L"C:\\Apps\\signer.exe");
  key.SetText(profiles + L"Signer", L"DefaultProvider", L"KSP");
  key.SetText(profiles + L"Signer", L"DefaultCertFilter", L"NonRep");
  key.SetText(profiles + L"Plain", L"ProcessPathSpec", L"C:\\Apps\\plain.exe");
  CRegistryReader reader;
  reader.AddLocation(key.Root(), key.Path());
  return std::make_unique<CCertStoreConfig>(reader);
}

class SessionRequestsTest : public ::testing::Test {
 protected:
  SessionRequestsTest()
      : key(HKEY_CURRENT_USER, TestKeyPath(L"Software\\LumaPassHandlerTests")),
        remover(UniqueName(L"lumaPassHandlerStore")),
        provider(MakeProvider(L"ACME", remover.name, AUTH_TYPE_PASSWORD, true,
                              [](CProviderConfig& config) { config.CardReaderImage = L"C:\\card.png"; })),
        handler(TestProfiles(key)) {
    handler.Attach(provider);
  }

  // Accounts "alice" with certificates of the three key-usage classes and "bob" with an expired
  // encryption certificate that only C:\Apps\ programs may use.
  void Provision() {
    alice = MakeAccount(L"ACME", L"alice");
    const std::pair<const wchar_t*, BYTE> usages[] = {
        {L"A sign", 0x80}, {L"B nonrep", 0xC0}, {L"C encrypt", 0x20}};
    for (const auto& [name, usage] : usages) {
      CertificateOptions options;
      options.keyUsage = usage;
      alice->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), alice->accountKey, name, options));
    }
    bob = MakeAccount(L"ACME", L"bob");
    CertificateOptions expired;
    expired.daysUntilExpiry = -10;
    expired.encryption = true;
    expired.keyUsage = 0xC0;
    bob->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), bob->accountKey, L"Old", expired));
    bob->certificatePolicies[0]->constraints.processNames = {L"C:\\Apps\\*"};
    provider->AddPolicy(alice, false);
    provider->AddPolicy(bob, false);
    ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
    ASSERT_EQ(handler.GetActiveContexts().size(), 4u);
  }

  CSecureBuffer OpenSession(const std::wstring& path, const std::wstring& computer, DWORD* count = nullptr) {
    COpenSessionRequest request;
    request.SetProcessPath(path);
    request.SetClientComputerName(computer);
    request.SetProcessVersion(L"1.0.0.0");
    request.SetReaderName(L"lumaPass Virtual Reader");
    COpenSessionResponse response;
    EXPECT_TRUE(handler.handle(request, response));
    EXPECT_EQ(response.GetStatus(), 0u);
    if (count != nullptr) *count = response.GetContainerCount();
    return response.GetSessionId();
  }

  CTestKey key;
  CStoreRemover remover;
  std::shared_ptr<CProviderContext> provider;
  CTestHandler handler;
  CPolicyPtr alice;
  CPolicyPtr bob;
};

TEST_F(SessionRequestsTest, OpenSessionBlackLists) {
  Provision();
  handler.AddExcludedProcess(L"C:\\Apps\\Tool.exe");
  handler.AddExcludedRemoteProcess(L"C:\\Remote\\viewer.exe");
  struct Case {
    const wchar_t* path;
    const wchar_t* computer;
    DWORD count;
  };
  const Case cases[] = {
      {L"C:\\APPS\\TOOL.EXE", L"desk01", 0},     {L"c:\\apps\\tool.exe", L"DESK01", 0},
      {L"D:\\Apps\\Tool.exe", L"DESK01", 4},     {L"C:\\Apps\\Tool.exe", L"OTHER", 4},
      {L"C:\\Apps\\Tool.exe", L"", 4},           {L"C:\\Remote\\viewer.exe", L"OTHER", 0},
      {L"C:\\Remote\\VIEWER.EXE", L"", 0},       {L"C:\\Remote\\viewer.exe", L"DESK01", 4},
      {L"C:\\Apps\\Tool.exe.bak", L"DESK01", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (&c - cases));
    DWORD count = 99;
    const CSecureBuffer sessionId = OpenSession(c.path, c.computer, &count);
    EXPECT_EQ(count, c.count);
    // The session is valid either way.
    CVerifySessionRequest verify;
    verify.SetSessionId(sessionId);
    EXPECT_TRUE(handler.IsValidSession(verify));
  }
}

std::vector<BYTE> Le32s(std::initializer_list<DWORD> values) {
  std::vector<BYTE> bytes;
  for (DWORD value : values) {
    BYTE le[4];
    luma::WriteLE32(le, value);
    bytes.insert(bytes.end(), le, le + 4);
  }
  return bytes;
}

TEST_F(SessionRequestsTest, GetContainerInfoRecords) {
  Provision();
  const CSecureBuffer sessionId = OpenSession(L"C:\\Apps\\any.exe", L"DESK01");
  const std::map<std::wstring, DWORD> keyClass = {
      {L"A sign", 1}, {L"B nonrep", 3}, {L"C encrypt", 2}, {L"Old", 3}};
  for (DWORD index = 0; index < 4; ++index) {
    CCertContext context(nullptr, nullptr, nullptr);
    ASSERT_TRUE(handler.LookupCertContextByIndex(index, context));
    const CCertificatePolicy& certificate = *context.certificatePolicy;
    CGetContainerInfoRequest request;
    request.SetSessionId(sessionId);
    request.SetIndex(index);
    CGetContainerInfoResponse response;
    ASSERT_TRUE(handler.handle(request, response));
    EXPECT_EQ(response.GetStatus(), 0u);
    EXPECT_EQ(response.GetCertificate(), certificate.GetEncodedCertificate());

    const CSecureBuffer& record = response.GetContainerInfo();
    ASSERT_EQ(record.size, 92u);
    std::vector<BYTE> expected(92, 0);
    const auto* name = reinterpret_cast<const BYTE*>(certificate.containerName.c_str());
    ASSERT_EQ(certificate.containerName.size(), 36u);
    std::copy(name, name + 72, expected.begin());
    const std::vector<BYTE> tail =
        Le32s({0, certificate.descriptor.keySpec, certificate.descriptor.keyLengthBits});
    std::copy(tail.begin(), tail.end(), expected.begin() + 80);
    EXPECT_EQ(std::vector<BYTE>(record.data, record.data + record.size), expected);
    EXPECT_EQ(certificate.descriptor.keyLengthBits, 1024u);

    const CSecureBuffer& keyInfo = response.GetKeyInfo();
    EXPECT_EQ(std::vector<BYTE>(keyInfo.data, keyInfo.data + keyInfo.size),
              Le32s({1, 0, 1, keyClass.at(certificate.friendlyName), 3, 0}));
  }
  for (DWORD index : {4u, 0xFFFFFFFFu}) {
    CGetContainerInfoRequest request;
    request.SetSessionId(sessionId);
    request.SetIndex(index);
    CGetContainerInfoResponse response;
    EXPECT_TRUE(handler.handle(request, response));
    EXPECT_EQ(response.GetStatus(), 1413u);
  }
  CGetContainerInfoRequest unknown;
  unknown.SetSessionId(CSecureBuffer(16));
  CGetContainerInfoResponse response;
  EXPECT_FALSE(handler.handle(unknown, response));
  EXPECT_EQ(response.GetStatus(), 6u);
}

TEST_F(SessionRequestsTest, GetCertStoreInfoFollowsProfilesAndConstraints) {
  Provision();
  struct Case {
    const wchar_t* process;
    const wchar_t* certificate;
    DWORD allowed;
    const wchar_t* providerName;
    DWORD providerType;
  };
  const wchar_t* target = L"Microsoft Base Smart Card Crypto Provider";
  const Case cases[] = {
      {L"C:\\Apps\\signer.exe", L"B nonrep", 1, L"Test KSP", 0},
      {L"C:\\Apps\\signer.exe", L"A sign", 0, L"Test KSP", 0},  // the profile's filter refuses it
      {L"C:\\Apps\\plain.exe", L"A sign", 1, target, 1},
      {L"C:\\Other\\tool.exe", L"A sign", 1, target, 1},  // no profile
      {L"C:\\Apps\\signer.exe", L"Old", 1, L"Test KSP", 0},
      {L"C:\\Other\\signer.exe", L"Old", 0, target, 1},  // the certificate's constraints refuse it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (&c - cases));
    const CSecureBuffer sessionId = OpenSession(c.process, L"DESK01");
    const std::vector<CCertContext> active = handler.GetActiveContexts();
    const auto found = std::find_if(active.begin(), active.end(), [&c](const CCertContext& context) {
      return context.certificatePolicy->friendlyName == c.certificate;
    });
    ASSERT_NE(found, active.end());
    const CCertificatePolicy& certificate = *found->certificatePolicy;
    CGetCertStoreInfoRequest request;
    request.SetSessionId(sessionId);
    request.SetIndex(static_cast<DWORD>(found - active.begin()));
    CGetCertStoreInfoResponse response;
    ASSERT_TRUE(handler.handle(request, response));
    EXPECT_EQ(response.GetStatus(), 0u);
    EXPECT_EQ(response.GetAllowed(), c.allowed);
    EXPECT_EQ(response.GetProviderName(), c.providerName);
    EXPECT_EQ(response.GetProviderType(), c.providerType);
    EXPECT_EQ(response.GetContainerName(), certificate.containerName);
    EXPECT_EQ(response.GetKeySpec(), certificate.descriptor.keySpec);
    EXPECT_EQ(response.GetExpired(), certificate.friendlyName == L"Old" ? 1u : 0u);
    EXPECT_EQ(response.GetFriendlyName(), L"[luma-Pass] " + certificate.friendlyName);
    EXPECT_EQ(response.GetAccountKey(), certificate.accountKey);
    EXPECT_EQ(response.GetCardReaderImage(), L"C:\\card.png");
  }
  const CSecureBuffer sessionId = OpenSession(L"C:\\Apps\\signer.exe", L"DESK01");
  CGetCertStoreInfoRequest beyond;
  beyond.SetSessionId(sessionId);
  beyond.SetIndex(0xFFFFFFFF);
  CGetCertStoreInfoResponse response;
  EXPECT_TRUE(handler.handle(beyond, response));
  EXPECT_EQ(response.GetStatus(), 1413u);
  CGetCertStoreInfoRequest unknown;
  unknown.SetSessionId(CSecureBuffer(16));
  EXPECT_FALSE(handler.handle(unknown, response));
  EXPECT_EQ(response.GetStatus(), 6u);
}

TEST_F(SessionRequestsTest, AdmissionAndNonInteractiveAuthentication) {
  struct Case {
    const wchar_t* label;
    int authType;
    bool interactive;
    const wchar_t* domain;
    const wchar_t* host;
    const wchar_t* path;
    const wchar_t* computer;
    bool knownSession;
    bool allowed;
    bool errorShown;
    DWORD status;
  };
  const Case cases[] = {
      {L"allowed, password", AUTH_TYPE_PASSWORD, true, L"", L"", L"C:\\Apps\\a.exe", L"DESK01", true, true,
       false, 0x8010006E},
      {L"allowed, silent", AUTH_TYPE_PASSWORD, false, L"", L"", L"C:\\Apps\\a.exe", L"DESK01", true, true,
       false, 0},
      {L"other domain", AUTH_TYPE_PASSWORD, false, L"elsewhere.invalid", L"", L"C:\\Apps\\a.exe", L"DESK01",
       true, false, false, 0x8010006A},
      {L"other host", AUTH_TYPE_PASSWORD, false, L"", L"nohost-invalid", L"C:\\Apps\\a.exe", L"DESK01", true,
       false, false, 0x8010006A},
      {L"unknown session", AUTH_TYPE_PASSWORD, false, L"", L"", L"C:\\Apps\\a.exe", L"DESK01", false, false,
       false, 0x8010006A},
      {L"process refused", AUTH_TYPE_PASSWORD, false, L"", L"", L"D:\\b.exe", L"DESK01", true, false, true,
       0x8010006A},
      {L"Kerberos, local lsass", AUTH_TYPE_KERBEROS, false, L"", L"", L"C:\\Apps\\LSASS.EXE", L"desk01", true,
       false, false, 0x8010006A},
      {L"Kerberos, local name ending in lsass.exe", AUTH_TYPE_KERBEROS, false, L"", L"",
       L"C:\\Apps\\notlsass.exe", L"DESK01", true, false, false, 0x8010006A},
      {L"Kerberos, remote lsass", AUTH_TYPE_KERBEROS, false, L"", L"", L"C:\\Apps\\lsass.exe", L"", true,
       true, false, 0},
      {L"password, local lsass", AUTH_TYPE_PASSWORD, false, L"", L"", L"C:\\Apps\\lsass.exe", L"DESK01", true,
       true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (&c - cases));
    auto owner = MakeProvider(L"ACME", remover.name, c.authType, c.interactive);
    CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
    policy->constraints.domain = c.domain;
    policy->constraints.hostname = c.host;
    CCertificatePolicyPtr certificate = MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign");
    certificate->constraints.processNames = {L"C:\\Apps\\*"};
    policy->certificatePolicies.push_back(certificate);

    CSessionRequest request(MessageTypeSignData);
    request.SetSessionId(c.knownSession ? OpenSession(c.path, c.computer) : CSecureBuffer(16));
    handler.errors.clear();
    EXPECT_EQ(handler.IsAllowedRequest(std::make_shared<CAuthContext>(owner, policy, certificate), request),
              c.allowed);
    ASSERT_EQ(handler.errors.size(), c.errorShown ? 1u : 0u);
    if (c.errorShown) {
      EXPECT_EQ(handler.errors[0], L"Application \n\n" + std::wstring(c.path) +
                                       L"\n\nis not authorized to use the selected certificate");
    }
    CAuthResult result;
    result.token = CSecureBuffer(4);
    EXPECT_EQ(handler.Authenticate(CCertContext(owner, policy, certificate), request, result), c.status);
    EXPECT_EQ(result.token.size, 0u);
  }
}

}  // namespace
}  // namespace luma::service::testing
