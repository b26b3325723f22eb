// The account requests that call the service, against the local test signing service.
#include "service/requests/account_requests.h"

#include <gtest/gtest.h>

#include <list>

#include "foundation/win/windows_exception.h"
#include "service/requests/tests/requests_test_support.h"
#include "service/vault/vault_otp_auth_client.h"

namespace luma::service::testing {
namespace {

using namespace VirtualSmartCardProtocol;

// The service takes either of the two right secrets.
std::vector<CAuthenticationValue> OtpLogin(bool right) {
  return {CAuthenticationValue(1001, Utf16(L"anna")),
          CAuthenticationValue(1002, Utf16(right ? L"pa=ss w0rd" : L"wrong")),
          CAuthenticationValue(1003, Utf16(right ? L"123 456" : L"000 000"))};
}

std::wstring TextOf(const CSecureBuffer& bytes) {
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data), bytes.size / sizeof(wchar_t));
}

class AccountRequestsTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
    provider = OtpProvider();
  }

  std::shared_ptr<CProviderContext> OtpProvider() {
    auto method = std::make_shared<COTPConfig>(nullptr);
    method->interactive = true;
    method->service.ServiceURL = service.Url(L"/login");
    method->ServiceParameters = {L"user={user}", L"password={password}", L"otp={otp}"};
    auto otp = MakeProvider(method, CTestClock(), ConfigFor(service, L"/vault"));
    otp->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
    return otp;
  }

  // Adds anna with the right one-time password; her policy, or null.
  std::shared_ptr<CPolicy> AddAnna() {
    CAddAccountRequest request;
    request.SetScope(L"ACME");
    request.SetValues(OtpLogin(true));
    CAddAccountResponse response;
    luma::requests::AddAccount(provider, request, response);
    if (response.GetStatus() != 0) return nullptr;
    CPolicyPtr policy;
    return provider->FindPolicy(response.GetAccountKey(), policy) ? policy : nullptr;
  }

  CTestSigningService service;
  std::shared_ptr<CProviderContext> provider;
};

TEST_F(AccountRequestsTest, AddAccountWithOtpLoginStoresThePolicyAndTheSession) {
  CAddAccountRequest request;
  request.SetScope(L"ACME");
  request.SetValues(OtpLogin(true));
  CAddAccountResponse response;
  luma::requests::AddAccount(provider, request, response);
  ASSERT_EQ(0u, response.GetStatus()) << response.GetErrorMessage();

  std::list<CPolicyPtr> policies;
  provider->GetPolicies(policies);
  ASSERT_EQ(1u, policies.size());
  EXPECT_EQ(policies.front()->accountKey, response.GetAccountKey());
  EXPECT_EQ(L"anna", policies.front()->userId);
  EXPECT_FALSE(policies.front()->persistent);
  CSecureBuffer token;
  ASSERT_TRUE(provider->tokenCache.GetToken(*policies.front(), token));
  EXPECT_EQ(0u, TextOf(token).rfind(L"SESSION=anna", 0));
  const auto requests = service.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("/login", requests[0].target);
  EXPECT_EQ("/vault", requests[1].target);
}

TEST_F(AccountRequestsTest, AddAccountWithWrongOtpAnswersTheLoginFailure) {
  CAddAccountRequest request;
  request.SetScope(L"ACME");
  request.SetValues(OtpLogin(false));
  CAddAccountResponse response;
  luma::requests::AddAccount(provider, request, response);
  EXPECT_EQ(static_cast<DWORD>(CVaultOTPAuthClient::kAccessDenied), response.GetStatus());
  EXPECT_FALSE(response.GetErrorMessage().empty());
  std::list<CPolicyPtr> policies;
  provider->GetPolicies(policies);
  EXPECT_TRUE(policies.empty());
}

TEST_F(AccountRequestsTest, RefreshOfAnUnchangedPolicyAnswersNoChange) {
  const auto anna = AddAnna();
  ASSERT_NE(anna, nullptr);
  CRefreshAccountResponse response;
  luma::requests::RefreshAccount(provider, anna, response);
  EXPECT_EQ(0u, response.GetStatus()) << response.GetErrorMessage();
  EXPECT_EQ(0u, response.GetPolicyChanged());
}

TEST_F(AccountRequestsTest, RefreshWithoutSessionAnswersTheServicesRefusal) {
  const auto anna = AddAnna();
  ASSERT_NE(anna, nullptr);
  provider->tokenCache.RemoveToken(*anna);
  CRefreshAccountResponse response;
  luma::requests::RefreshAccount(provider, anna, response);
  EXPECT_NE(0u, response.GetStatus());
  EXPECT_FALSE(response.GetErrorMessage().empty());
}

TEST_F(AccountRequestsTest, AuthStateWithoutTokenAnswers1244WithoutTraffic) {
  const auto account = AnnaPolicy(*provider);
  ASSERT_NE(account, nullptr);
  CGetAccountAuthStateResponse response;
  luma::requests::GetAccountAuthState(provider, account, response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_AUTHENTICATED), response.GetStatus());
  EXPECT_EQ(CWindowsException(ERROR_NOT_AUTHENTICATED).GetMessage(), response.GetErrorMessage());
  EXPECT_TRUE(service.Requests().empty());
}

TEST_F(AccountRequestsTest, AuthStateAsksTheServiceWithTheCachedSession) {
  const auto anna = AddAnna();
  ASSERT_NE(anna, nullptr);
  CGetAccountAuthStateResponse response;
  luma::requests::GetAccountAuthState(provider, anna, response);
  EXPECT_EQ(0u, response.GetStatus());
  EXPECT_EQ(3u, service.Requests().size());  // login, policy, liveness
}

TEST_F(AccountRequestsTest, AuthStateReducesEveryServiceFailureTo1244) {
  auto broken =
      MakeProvider(MethodOf(AUTH_TYPE_KERBEROS, false), CTestClock(), ConfigFor(service, L"/fault"));
  const auto account = AnnaPolicy(*provider);
  ASSERT_NE(account, nullptr);
  CGetAccountAuthStateResponse response;
  // Kerberos needs no cached token: the service is always asked.
  luma::requests::GetAccountAuthState(broken, account, response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_AUTHENTICATED), response.GetStatus());
  EXPECT_EQ(CWindowsException(ERROR_NOT_AUTHENTICATED).GetMessage(), response.GetErrorMessage());
  EXPECT_EQ(1u, service.Requests().size());
}

TEST_F(AccountRequestsTest, AuthenticateAccountLogsInAfresh) {
  const auto anna = AddAnna();
  ASSERT_NE(anna, nullptr);
  ASSERT_TRUE(provider->tokenCache.StoreToken(*anna, Utf16(L"SESSION=stale")));
  CAuthenticateAccountRequest request;
  request.SetScope(anna->accountKey);
  request.SetValues(OtpLogin(true));
  CAuthenticateAccountResponse response;
  luma::requests::AuthenticateAccount(provider, anna, request, response);
  EXPECT_EQ(0u, response.GetStatus()) << response.GetErrorMessage();
  CSecureBuffer token;
  ASSERT_TRUE(provider->tokenCache.GetToken(*anna, token));
  EXPECT_EQ(0u, TextOf(token).rfind(L"SESSION=anna", 0));

  request.SetValues(OtpLogin(false));
  luma::requests::AuthenticateAccount(provider, anna, request, response);
  EXPECT_EQ(static_cast<DWORD>(CVaultOTPAuthClient::kAccessDenied), response.GetStatus());
  EXPECT_FALSE(provider->tokenCache.HasToken(*anna));
}

TEST(AccountAnswersTest, NothingFoundAnswers1168WithItsText) {
  CDeleteAccountResponse response;
  luma::requests::AnswerNotFound(response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), response.GetStatus());
  EXPECT_EQ(CWindowsException(ERROR_NOT_FOUND).GetMessage(), response.GetErrorMessage());
  EXPECT_FALSE(response.GetErrorMessage().empty());
}

}  // namespace
}  // namespace luma::service::testing
