// The provider, account, certificate and PIN requests over the pipe: their scopes, their session
// checks and their answers when nothing is found.
#include <gtest/gtest.h>

#include <list>

#include "foundation/win/windows_exception.h"
#include "service/handler/tests/requests/handler_request_fixture.h"

namespace luma::service::testing {
namespace {

using namespace VirtualSmartCardProtocol;

const std::wstring kNotFoundText = CWindowsException(ERROR_NOT_FOUND).GetMessage();

class AccountRequestTest : public HandlerRequestTest {
 protected:
  void SetUp() override {
    HandlerRequestTest::SetUp();
    if (HasFatalFailure()) return;
    acme = Provision(L"ACME", L"/vault");
    session = std::make_unique<CPipeSession>(server->GetPipeName());
    ASSERT_EQ(0u, session->Open());
  }

  // Sends the request on the session (or on the given identifier) and reads the final answer.
  template <typename Request>
  void Send(Request& request, CResponseMessage& response, const CSecureBuffer* sessionId = nullptr) {
    request.SetSessionId(sessionId ? *sessionId : session->Id());
    ASSERT_TRUE(session->client.SendRequest(request, response));
  }

  template <typename Request>
  Request Scoped(const std::wstring& scope) {
    Request request;
    request.SetScope(scope);
    return request;
  }

  std::wstring AnnaKey() const { return L"ACME/anna"; }

  std::shared_ptr<CProviderContext> acme;
  std::unique_ptr<CPipeSession> session;
};

TEST_F(AccountRequestTest, ProvidersAccountsAndCertificatesAreFoundByTheirScopes) {
  NamedProvider(L"acme", L"/vault");  // ordinal order: upper case first
  CGetProvidersRequest providersRequest;
  CGetProvidersResponse providers;
  Send(providersRequest, providers);
  EXPECT_EQ(0u, providers.GetStatus());
  EXPECT_EQ((std::vector<std::wstring>{L"ACME", L"acme"}), providers.GetItems());

  auto accountsRequest = Scoped<CGetAccountsRequest>(L"ACME");
  CGetAccountsResponse accounts;
  Send(accountsRequest, accounts);
  EXPECT_EQ(0u, accounts.GetStatus());
  EXPECT_EQ((std::vector<std::wstring>{AnnaKey()}), accounts.GetItems());

  auto infoRequest = Scoped<CGetAccountInfoRequest>(L"acme/ANNA");  // account keys ignore case
  CGetAccountInfoResponse info;
  Send(infoRequest, info);
  EXPECT_EQ(0u, info.GetStatus());
  EXPECT_FALSE(info.GetFields().empty());

  auto providerInfoRequest = Scoped<CGetProviderInfoRequest>(L"ACME");
  CGetProviderInfoResponse providerInfo;
  Send(providerInfoRequest, providerInfo);
  EXPECT_EQ(0u, providerInfo.GetStatus());
  EXPECT_FALSE(providerInfo.GetFields().empty());

  auto certificatesRequest = Scoped<CGetCertificatesRequest>(AnnaKey());
  CGetCertificatesResponse certificates;
  Send(certificatesRequest, certificates);
  EXPECT_EQ(0u, certificates.GetStatus());
  EXPECT_EQ((std::vector<std::wstring>{ContainerOf(L"alice")}), certificates.GetItems());

  auto certificateRequest = Scoped<CGetCertificateInfoRequest>(ContainerOf(L"alice"));
  CGetCertificateInfoResponse certificate;
  Send(certificateRequest, certificate);
  EXPECT_EQ(0u, certificate.GetStatus());
  EXPECT_EQ(L"alice", certificate.GetAlias());
  EXPECT_EQ(AnnaKey(), certificate.GetAccountKey());
  EXPECT_TRUE(certificate.GetCertificate() == Bytes(VaultFixture(L"alice.der")));
}

TEST_F(AccountRequestTest, ScopesThatFindNothingAnswerTheirStatus) {
  std::vector<std::unique_ptr<CResponseMessage>> kept;
  auto run = [&](auto request, auto response) {
    Send(request, *response);
    CResponseMessage* raw = response.get();
    kept.emplace_back(std::move(response));
    return raw;
  };
  const std::vector<std::pair<CResponseMessage*, std::pair<DWORD, bool>>> answers = {
      // Provider names are exact.
      {run(Scoped<CGetProviderInfoRequest>(L"acme"), std::make_unique<CGetProviderInfoResponse>()),
       {1168, false}},
      {run(Scoped<CGetAccountsRequest>(L"acme"), std::make_unique<CGetAccountsResponse>()), {1168, false}},
      {run(Scoped<CAddAccountRequest>(L"acme"), std::make_unique<CAddAccountResponse>()), {1168, true}},
      {run(Scoped<CGetAccountInfoRequest>(L"ACME/nobody"), std::make_unique<CGetAccountInfoResponse>()),
       {1168, false}},
      {run(Scoped<CGetCertificatesRequest>(L"ACME/nobody"), std::make_unique<CGetCertificatesResponse>()),
       {1168, false}},
      {run(Scoped<CRefreshAccountRequest>(L"ACME/nobody"), std::make_unique<CRefreshAccountResponse>()),
       {1168, true}},
      {run(Scoped<CDeleteAccountRequest>(L"ACME/nobody"), std::make_unique<CDeleteAccountResponse>()),
       {1168, true}},
      {run(Scoped<CGetAccountAuthStateRequest>(L"ACME/nobody"),
           std::make_unique<CGetAccountAuthStateResponse>()),
       {1168, true}},
      {run(Scoped<CDeauthenticateAccountRequest>(L"ACME/nobody"),
           std::make_unique<CDeauthenticateAccountResponse>()),
       {1168, true}},
      {run(Scoped<CAuthenticateAccountRequest>(L"ACME/nobody"),
           std::make_unique<CAuthenticateAccountResponse>()),
       {1168, true}},
      {run(Scoped<CValidatePINRequest>(L"ALICE"), std::make_unique<CValidatePINResponse>()), {1168, true}},
      {run(Scoped<CChangePINRequest>(L"nobody"), std::make_unique<CChangePINResponse>()), {1168, true}},
      {run(Scoped<CGetCertificateInfoRequest>(L"{no-such-container}"),
           std::make_unique<CGetCertificateInfoResponse>()),
       {0x80100030, false}},
  };
  for (const auto& [response, expected] : answers) {
    EXPECT_EQ(expected.first, response->GetStatus()) << std::hex << response->GetType();
    if (auto* withText = dynamic_cast<CBaseErrorMessageResponse*>(response)) {
      EXPECT_EQ(expected.second ? kNotFoundText : std::wstring(), withText->GetErrorMessage())
          << std::hex << response->GetType();
    }
  }
  EXPECT_TRUE(service.Requests().empty());
}

// ValidatePIN and ChangePIN answer from the alias lookup alone: no session, no PIN check.
TEST_F(AccountRequestTest, PinRequestsAnswerForAnActiveAliasWhateverSessionAndPin) {
  const CSecureBuffer stranger(16);
  auto validate = Scoped<CValidatePINRequest>(L"alice");
  validate.SetPin(Utf16(L"wrong"));
  CValidatePINResponse validated;
  Send(validate, validated, &stranger);
  EXPECT_EQ(0u, validated.GetStatus());
  auto change = Scoped<CChangePINRequest>(L"alice");
  change.SetOldPin(Utf16(L"wrong"));
  change.SetNewPin(Utf16(L"1"));
  CChangePINResponse changed;
  Send(change, changed, &stranger);
  EXPECT_EQ(0u, changed.GetStatus());
  EXPECT_TRUE(service.Requests().empty());

  // Other requests check the session.
  CGetProvidersRequest providers;
  CGetProvidersResponse refused;
  Send(providers, refused, &stranger);
  EXPECT_EQ(6u, refused.GetStatus());
}

TEST_F(AccountRequestTest, SessionPinFlow) {
  CGetExternalValidatedPINRequest validate;
  validate.SetPinId(3);
  CGetExternalValidatedPINResponse validated;
  Send(validate, validated);
  ASSERT_EQ(0u, validated.GetStatus());
  ASSERT_EQ(16u, validated.GetToken().size);

  CAuthenticateSessionPINRequest authenticate;
  authenticate.SetPinId(3);
  authenticate.SetSecret(validated.GetToken());
  CAuthenticateSessionPINResponse first;
  Send(authenticate, first);
  EXPECT_EQ(0u, first.GetStatus());
  EXPECT_EQ(0u, first.GetPinResult());

  CDeauthenticatePINRequest deauthenticate;
  deauthenticate.SetPinId(3);
  CDeauthenticatePINResponse gone;
  Send(deauthenticate, gone);
  EXPECT_EQ(0u, gone.GetStatus());
  CAuthenticateSessionPINResponse second;
  Send(authenticate, second);
  EXPECT_EQ(0u, second.GetStatus());
  EXPECT_EQ(0x8010006Bu, second.GetPinResult());
  EXPECT_EQ(1u, second.GetRemaining());

  CAuthenticatePINRequest pin;
  pin.SetPinId(3);
  pin.SetSecret(Utf16(L"1234"));
  CAuthenticatePINResponse never;
  Send(pin, never);
  EXPECT_EQ(0u, never.GetStatus());
  EXPECT_EQ(0x8010006Bu, never.GetPinResult());
}

// The worker adds the policy without the main lock: the handler's observer provisions it on the card.
TEST_F(AccountRequestTest, AddAccountWithOtpLoginStoresThePolicyAndTheTokenAndProvisionsIt) {
  auto otp = NamedProvider(L"OTPCO", L"/vault", AUTH_TYPE_OTP);
  auto request = Scoped<CAddAccountRequest>(L"OTPCO");
  request.SetValues({CAuthenticationValue(1001, Utf16(L"anna")),
                     CAuthenticationValue(1002, Utf16(L"pa=ss w0rd")),
                     CAuthenticationValue(1003, Utf16(L"123 456"))});
  CAddAccountResponse response;
  Send(request, response);
  ASSERT_EQ(0u, response.GetStatus()) << response.GetErrorMessage();
  CPolicyPtr policy;
  ASSERT_TRUE(otp->FindPolicy(response.GetAccountKey(), policy));
  EXPECT_TRUE(otp->tokenCache.HasToken(*policy));
  ASSERT_TRUE(handler->WaitForUpdateThread(20000));
  EXPECT_EQ(2u, handler->GetActiveContexts().size());

  // The update run closed the pipe sessions; on a new one the account's service session works.
  auto state = Scoped<CGetAccountAuthStateRequest>(response.GetAccountKey());
  CGetAccountAuthStateResponse closed;
  Send(state, closed);
  EXPECT_EQ(6u, closed.GetStatus());
  ASSERT_EQ(0u, session->Open());
  CGetAccountAuthStateResponse alive;
  Send(state, alive);
  EXPECT_EQ(0u, alive.GetStatus());
}

TEST_F(AccountRequestTest, AuthStateWithoutTokenAnswers1244WithoutTraffic) {
  auto state = Scoped<CGetAccountAuthStateRequest>(AnnaKey());
  CGetAccountAuthStateResponse response;
  Send(state, response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_AUTHENTICATED), response.GetStatus());
  EXPECT_EQ(CWindowsException(ERROR_NOT_AUTHENTICATED).GetMessage(), response.GetErrorMessage());
  EXPECT_TRUE(service.Requests().empty());
}

TEST_F(AccountRequestTest, DeleteAccountTakesTheCertificatesOffTheCard) {
  auto remove = Scoped<CDeleteAccountRequest>(L"acme/anna");
  CDeleteAccountResponse response;
  Send(remove, response);
  EXPECT_EQ(0u, response.GetStatus());
  std::list<CPolicyPtr> policies;
  acme->GetPolicies(policies);
  EXPECT_TRUE(policies.empty());
  ASSERT_TRUE(handler->WaitForUpdateThread(20000));
  EXPECT_TRUE(handler->GetActiveContexts().empty());
}

}  // namespace
}  // namespace luma::service::testing
