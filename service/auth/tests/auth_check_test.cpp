// The silent login check against the local test signing service: a live session keeps its token,
// a redirect to the service's own login pages drops it, and the cached PIN is handed out.
#include "service/auth/auth_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/auth/tests/auth_test_support.h"
#include "service/auth/tests/cert_store_fixture.h"
#include "service/auth/tests/recording_sender.h"
#include "service/testing/vault_test_support.h"
#include "service/vault/vault_core_soap_client.h"

namespace luma::service::testing {
namespace {

struct CheckCase {
  const char* name;
  const wchar_t* servicePath;
  const wchar_t* loginPath;  // the method's own URL: its first segment names the service's pages
  bool tokenCached;
  bool pinCached;
  int requests;
  bool tokenInResult;
  bool tokenCachedAfter;
};

class AuthCheckTest : public SoapTransportTest, public ::testing::WithParamInterface<CheckCase> {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
  }
  std::shared_ptr<CAuthContext> OtpContext(const wchar_t* servicePath, const wchar_t* loginPath) {
    auto method = std::make_shared<COTPConfig>(nullptr);
    method->service.ServiceURL = service.Url(loginPath);
    auto provider = MakeProvider(method, CTestClock(), ConfigFor(service, servicePath));
    return std::make_shared<CAuthContext>(provider, MakeAccount(L"ACME/anna"),
                                          MakeCertificate(L"alice", 4, 8));
  }
  CTestSigningService service;
};

TEST_P(AuthCheckTest, SessionAndPinDecideWhatIsLeftToAsk) {
  const CheckCase& c = GetParam();
  auto context = OtpContext(c.servicePath, c.loginPath);
  const CSecureBuffer token = Utf16(L"SESSION=anna");
  if (c.tokenCached) {
    ASSERT_TRUE(context->providerContext->tokenCache.StoreToken(*context->policy, token));
  }
  if (c.pinCached) {
    ASSERT_TRUE(context->StorePin(Utf16(L"1234")));
  }

  auto check = CAuthCheck::Start(context);
  ASSERT_TRUE(check->Wait());
  EXPECT_TRUE(check->result.tokenFlag);
  EXPECT_TRUE(check->result.pinFlag);
  EXPECT_EQ(c.tokenInResult ? token : CSecureBuffer(), check->result.token);
  EXPECT_EQ(c.pinCached ? Utf16(L"1234") : CSecureBuffer(), check->result.pin);
  EXPECT_EQ(c.tokenCachedAfter, context->CanAuthenticateSilently());
  EXPECT_EQ(c.pinCached, context->IsPinCached()) << "one counted use of ten";

  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(static_cast<size_t>(c.requests), requests.size());
  if (!requests.empty()) {
    EXPECT_EQ("SESSION=anna", requests[0].Header("Cookie"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, AuthCheckTest,
    ::testing::Values(
        // name, service path, login path, token cached, PIN cached, requests, token in result, cached after
        CheckCase{"AliveSessionKeepsToken", L"/vault", L"/login", true, true, 1, true, true},
        CheckCase{"ExpiredToTheLoginPagesDropsToken", L"/vault/expired", L"/login/form", true, true, 1, false,
                  false},
        CheckCase{"RedirectElsewhereKeepsToken", L"/vault/expired", L"/portal", true, false, 1, false, true},
        CheckCase{"NoTokenNoCall", L"/vault", L"/login", false, true, 0, false, false},
        CheckCase{"FaultKeepsToken", L"/fault", L"/login", true, false, 1, false, true}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

// The attempt's thread could not be started: the check used to wait for it for ever; it is now
// finished at once and has found nothing.
TEST_F(AuthCheckTest, ThreadThatCannotStartGivesAFinishedEmptyCheck) {
  auto context = OtpContext(L"/vault", L"/login");
  ASSERT_TRUE(context->providerContext->tokenCache.StoreToken(*context->policy, Utf16(L"SESSION=anna")));
  ASSERT_TRUE(context->StorePin(Utf16(L"1234")));
  auto check = CAuthCheck::Start(context, [](CAuthCheck::ThreadProc, void*) -> uintptr_t { return 0; });
  EXPECT_TRUE(check->Wait());
  EXPECT_TRUE(check->result.token.empty());
  EXPECT_TRUE(check->result.pin.empty());
  EXPECT_TRUE(service.Requests().empty());
  EXPECT_TRUE(context->CanAuthenticateSilently()) << "nothing was removed";
}

TEST_F(AuthCheckTest, CertificateWithoutPinGivesEmptyPinAndCallerMayLeaveEarly) {
  auto context = OtpContext(L"/vault", L"/login");
  context->certificatePolicy = MakeCertificate(L"alice", 0, 0);
  ASSERT_TRUE(context->providerContext->tokenCache.StoreToken(*context->policy, Utf16(L"SESSION=anna")));
  auto check = CAuthCheck::Start(context);
  std::weak_ptr<CAuthCheck> watch = check;
  ASSERT_TRUE(check->Wait());
  EXPECT_TRUE(check->result.pin.empty());
  EXPECT_FALSE(check->result.token.empty());
  check.reset();
  // The thread's own reference goes when the attempt returns; Wait saw the thread end.
  EXPECT_TRUE(watch.expired());
}

// An integrated login needs no cached token: the check calls without a cookie and finds the
// session alive, yet there is no token to hand over.
TEST_F(AuthCheckTest, IntegratedLoginCallsWithoutCookie) {
  auto provider =
      MakeProvider(MethodOf(AUTH_TYPE_KERBEROS, false), CTestClock(), ConfigFor(service, L"/vault"));
  auto context =
      std::make_shared<CAuthContext>(provider, MakeAccount(L"ACME/anna"), MakeCertificate(L"alice", 4, 8));
  auto check = CAuthCheck::Start(context);
  ASSERT_TRUE(check->Wait());
  EXPECT_TRUE(check->result.token.empty());
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_FALSE(requests[0].HasHeader("Cookie"));
  EXPECT_TRUE(context->CanAuthenticateSilently());
}

class AuthCheckCertificateTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    ASSERT_TRUE(store.IsOpen());
    ASSERT_TRUE(store.Add(L"good1", 1024, true));
  }
  std::shared_ptr<CAuthContext> CertificateContext(const wchar_t* servicePath) {
    auto method = std::make_shared<CCertificateConfig>(nullptr);
    method->interactive = false;  // no login URL: the certificate logs in silently
    method->CertStoreName = store.Name();
    method->CertStoreType = CERT_SYSTEM_STORE_CURRENT_USER;
    method->filter = CCertificateFilter(L"", L"(KeyLength>=1024)");
    auto provider = MakeProvider(method, CTestClock(), ConfigFor(service, servicePath));
    return std::make_shared<CAuthContext>(provider, MakeAccount(L"ACME/anna"),
                                          MakeCertificate(L"alice", 4, 8));
  }
  CTestSigningService service;
  CTestCertStore store;
  CRecordingSender sender;
};

TEST_F(AuthCheckCertificateTest, CompletedCallRemembersTheCertificateAFailedOneForgetsIt) {
  for (const wchar_t* path : {L"/vault", L"/vault/expired"}) {
    SCOPED_TRACE(::testing::Message() << path);
    const bool alive = std::wstring(path) == L"/vault";
    sender.presented.clear();
    auto context = CertificateContext(path);
    context->providerContext->tokenCache.StoreCertFingerprint(*context->policy, L"stale");
    auto check = CAuthCheck::Start(
        context,
        [](CAuthCheck::ThreadProc procedure, void* parameter) {
          return _beginthreadex(nullptr, 0, procedure, parameter, 0, nullptr);
        },
        [this](CVaultCoreSOAPClient& client) { client.proxy.SetRequestSender(&sender); });
    ASSERT_TRUE(check->Wait());
    ASSERT_FALSE(sender.presented.empty());
    EXPECT_EQ(store.Fingerprint(L"good1"), sender.presented[0]);
    std::wstring remembered;
    EXPECT_EQ(alive, context->providerContext->tokenCache.GetCertFingerprint(*context->policy, remembered));
    if (alive) {
      EXPECT_EQ(store.Fingerprint(L"good1"), remembered);
    }
    EXPECT_TRUE(check->result.token.empty()) << "a certificate login carries no cookie";
  }
}

}  // namespace
}  // namespace luma::service::testing
