// A protocol handler serving a real pipe, with accounts of the local test signing service
// provisioned on its card. Its Authenticate plays the interactive handler's user: the request is
// admitted as the real handler admits it, and the user "types" the test's PIN; the errors the user
// would see are recorded.
#ifndef LUMA_SERVICE_HANDLER_TESTS_REQUESTS_HANDLER_REQUEST_FIXTURE_H_
#define LUMA_SERVICE_HANDLER_TESTS_REQUESTS_HANDLER_REQUEST_FIXTURE_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/win/system_utils.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "service/exchange/tests/exchange_test_support.h"
#include "service/handler/vsc_protocol_handler.h"
#include "service/pipe/tests/pipe_test_support.h"
#include "service/pipe/vsc_server.h"
#include "service/requests/tests/requests_test_support.h"

namespace luma::service::testing {

class CScriptedUserHandler : public CVSCProtocolHandler {
 public:
  using CVSCProtocolHandler::CVSCProtocolHandler;

  DWORD Authenticate(const CCertContext& context, const CSessionRequest& request,
                     CAuthResult& result) override {
    result.Clear();
    auto subject =
        std::make_shared<CAuthContext>(context.providerContext, context.policy, context.certificatePolicy);
    if (!IsAllowedRequest(subject, request)) return 0x8010006A;
    if (subject->IsBlocked()) return 0x8010006C;
    context.providerContext->tokenCache.GetToken(*context.policy, result.token);
    std::lock_guard<std::mutex> guard(lock);
    result.pin = Utf16(pin);
    return 0;
  }

  void ShowError(const CAuthContext& /*context*/, const std::wstring& message) override {
    std::lock_guard<std::mutex> guard(lock);
    errors.push_back(message);
  }

  void SetPin(const std::wstring& value) {
    std::lock_guard<std::mutex> guard(lock);
    pin = value;
  }
  std::vector<std::wstring> Errors() {
    std::lock_guard<std::mutex> guard(lock);
    return errors;
  }

 private:
  std::mutex lock;
  std::wstring pin = L"1234";
  std::vector<std::wstring> errors;
};

// A copy of anna's account for another provider, with its certificate under another alias and,
// when given, another certificate (so that its container name differs). Its PINs stay cached for an
// hour and ten uses.
inline std::shared_ptr<CPolicy> AccountFor(const CPolicy& anna, const std::wstring& providerName,
                                           const std::wstring& alias,
                                           const CSecureBuffer& otherCertificate = {}) {
  auto policy = std::make_shared<CPolicy>(anna);
  policy->providerName = providerName;
  policy->accountKey = providerName + L"/anna";
  auto certificate = std::make_shared<CCertificatePolicy>(*anna.certificatePolicies.at(0));
  certificate->alias = alias;
  certificate->accountKey = policy->accountKey;
  certificate->pinPolicy.maxPinCacheTime = 3600;
  certificate->pinPolicy.maxPinCacheReuse = 10;
  if (!otherCertificate.empty()) {
    certificate->containerName = Sha1GuidString(otherCertificate);
    certificate->descriptor = CCertificateDescriptor(certificate->containerName, otherCertificate);
  }
  policy->certificatePolicies = {certificate};
  return policy;
}

// Handler: the handler class served, CScriptedUserHandler for the service-side cases, the
// interactive handler for the tests of its dialogs.
template <class Handler>
class CHandlerRequestTestOf : public SoapTransportTest {
 protected:
  static constexpr wchar_t kRequestTestStore[] = L"lumaPassHandlerRequestTests";

  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    handler =
        std::make_shared<Handler>(std::make_shared<CVSCDriverMutex>(UniquePipeName()),
                                  std::make_unique<CCertStoreConfig>(), ReadyExchangeKey(container.name()));
    handler->SetUpdateTimingForTesting(0, 0);
    // Wine keeps no property outside its own list; the store's marks are not what is tested here.
    handler->SetCertPropertyWriterForTesting([](PCCERT_CONTEXT, DWORD, DWORD, const void*) { return TRUE; });
    ASSERT_NO_FATAL_FAILURE(Serve(UniquePipeName()));
  }

  // Serves the handler on the pipe (a name below the pipe folder) in place of any earlier server.
  void Serve(const std::wstring& pipeName) {
    server = std::make_unique<CVSCServer>(pipeName, handler, PipeMode::PerUser);
    server->Start();
    ASSERT_TRUE(
        WaitUntil([&] { return server->GetListeningInstances() >= CVSCServer::kListeningInstances; }));
  }

  // Serves the handler on a full pipe path, such as the user's own pipe where the plug-ins look for
  // lumaPassV (the server adds the pipe folder itself).
  void ServeOnPipePath(const std::wstring& path) {
    const std::wstring folder = L"\\\\.\\pipe\\";
    ASSERT_EQ(0u, path.compare(0, folder.size(), folder));
    ASSERT_NO_FATAL_FAILURE(Serve(path.substr(folder.size())));
  }

  void TearDown() override {
    server.reset();
    for (const auto& provider : providers) provider->RemoveObserver(handler.get());
    handler.reset();
    SoapTransportTest::TearDown();
  }

  // A provider of the service path with anna's account (alias "alice"), or a copy of it, on the card.
  std::shared_ptr<CProviderContext> Provision(const std::wstring& name, const wchar_t* path,
                                              const std::wstring& alias = L"alice",
                                              const CSecureBuffer& otherCertificate = {},
                                              DWORD serviceTimeout = 0) {
    auto provider = NamedProvider(name, path, AUTH_TYPE_PASSWORD, serviceTimeout);
    auto anna = AnnaPolicy(*provider);
    EXPECT_NE(anna, nullptr) << "the vault fixtures are missing";
    if (!anna) return provider;
    auto account = AccountFor(*anna, name, alias, otherCertificate);
    if (adjustCertificate) adjustCertificate(*account->certificatePolicies.front());
    provider->AddPolicy(account, false);
    EXPECT_TRUE(handler->WaitForUpdateThread(20000));
    return provider;
  }

  // A provider the handler knows and observes, without accounts.
  // serviceTimeout 0: the default time-out.
  std::shared_ptr<CProviderContext> NamedProvider(const std::wstring& name, const wchar_t* path,
                                                  int method = AUTH_TYPE_PASSWORD, DWORD serviceTimeout = 0) {
    auto config = ConfigFor(service, path);
    if (serviceTimeout != 0) config.ServiceTimeout = serviceTimeout;
    auto methodConfig = MethodOf(method, method != AUTH_TYPE_KERBEROS);
    if (auto* otp = dynamic_cast<COTPConfig*>(methodConfig.get())) {
      otp->service.ServiceURL = service.Url(L"/login");
      otp->ServiceParameters = {L"user={user}", L"password={password}", L"otp={otp}"};
    }
    CProviderConfig providerConfig;
    providerConfig.name = name;
    providerConfig.authConfig = methodConfig;
    providerConfig.service = config;
    // The certificates go to a store of these tests, not the user's "MY": tests that look into "MY"
    // run side by side with these.
    providerConfig.TargetCertStoreName = kRequestTestStore;
    providerConfig.TargetCertStoreType = CERT_SYSTEM_STORE_CURRENT_USER;
    if (adjustProviderConfig) adjustProviderConfig(providerConfig);
    auto provider = std::make_shared<CProviderContext>(providerConfig);
    provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
    handler->AddProviderContext(provider);
    provider->AddObserver(handler.get());
    providers.push_back(provider);
    return provider;
  }

  std::wstring ContainerOf(const std::wstring& alias) {
    CCertContext context(nullptr, nullptr, nullptr);
    return handler->LookupCertContextByAlias(alias, context) ? context.certificatePolicy->containerName
                                                             : std::wstring();
  }

  // Set before Provision or NamedProvider: changes the configuration of the providers made after it.
  std::function<void(CProviderConfig&)> adjustProviderConfig;
  // Set before Provision: changes the certificate of the accounts provisioned after it.
  std::function<void(CCertificatePolicy&)> adjustCertificate;
  CTestSigningService service;
  CTestContainer container{"handler-requests"};
  std::shared_ptr<Handler> handler;
  std::unique_ptr<CVSCServer> server;
  std::vector<std::shared_ptr<CProviderContext>> providers;
};

using HandlerRequestTest = CHandlerRequestTestOf<CScriptedUserHandler>;

// One client conversation on its own connection.
struct CPipeSession {
  explicit CPipeSession(const std::wstring& pipePath)
      : connection(pipePath), client(&connection, L"lumaPassKSP") {}
  DWORD Open() { return client.OpenSession(sessionId, containers); }
  CSecureBuffer Id() const { return CSecureBuffer(16, sessionId); }

  CConnectedPipeClient connection;
  CVirtualSmartCardClient client;
  BYTE sessionId[16] = {};
  DWORD containers = 0;
};

// A PKCS#1 type-1 block of the key's length around the DigestInfo.
inline CSecureBuffer TypeOneBlock(const CSecureBuffer& digestInfo, DWORD size = 256) {
  CSecureBuffer block(size);
  block.data[0] = 0;
  block.data[1] = 1;
  const DWORD separator = size - digestInfo.size - 1;
  for (DWORD i = 2; i < separator; ++i) block.data[i] = 0xFF;
  block.data[separator] = 0;
  for (DWORD i = 0; i < digestInfo.size; ++i) block.data[separator + 1 + i] = digestInfo.data[i];
  return block;
}

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_HANDLER_TESTS_REQUESTS_HANDLER_REQUEST_FIXTURE_H_
