// The account requests' calls against the local test signing service: one row per failure the
// call context maps to an answer, plus the completed calls whose session token it keeps.
#include "service/calls/vault_core_call_context.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "foundation/core/vsc_account_messages.h"
#include "foundation/win/windows_exception.h"
#include "service/auth/tests/auth_test_support.h"
#include "service/testing/vault_test_support.h"
#include "service/vault/vault_otp_auth_client.h"

namespace luma::service::testing {
namespace {

using VirtualSmartCardProtocol::CAuthenticationValue;

// Runs a step of its own on the prepared client: the failures a real service cannot provoke.
class CScriptedExecutor final : public AVaultCoreCallExecutor {
 public:
  explicit CScriptedExecutor(std::function<void(CVaultCoreSOAPClient&)> step) : step(std::move(step)) {}
  void Execute(CVaultCoreSOAPClient& client) override { step(client); }

 private:
  std::function<void(CVaultCoreSOAPClient&)> step;
};

enum class Call { kIsAlive, kGetPolicy, kThrowAuthentication, kThrowWindows, kThrowOther };
enum class Text { kNone, kOtpRefused, kNotAuthenticated, kDomain, kInternal, kGiven, kFromService };

struct FailureCase {
  const char* name;
  int method;                  // authentication type of the provider
  const wchar_t* servicePath;  // of the signing service
  const wchar_t* loginPath;    // the method's own URL; its first segment names the service
  const wchar_t* account;      // known account (its session "SESSION=<account>" cached), or null
  std::vector<std::pair<DWORD, const wchar_t*>> credentials;
  Call call;
  bool completed;
  DWORD status;  // 0xFFFFFFFF: the service error's own code, not 0 and not 1244
  Text text;
  int requests;           // reaching the service, login included
  const char* cookie;     // start of the last request's cookie; null: none sent
  bool tokenCachedAfter;  // for a known account
};

constexpr DWORD kServiceCode = 0xFFFFFFFF;

std::shared_ptr<CAuthConfig> MethodFor(const FailureCase& c, const CTestSigningService& service) {
  std::shared_ptr<CAuthConfig> method = MethodOf(c.method, true);
  auto* explicitMethod = dynamic_cast<CExplicitAuthConfig*>(method.get());
  if (explicitMethod != nullptr) explicitMethod->service.ServiceURL = service.Url(c.loginPath);
  if (auto* otp = dynamic_cast<COTPConfig*>(method.get())) {
    otp->ServiceParameters = {L"user={user}", L"password={password}", L"otp={otp}"};
  }
  return method;
}

class CallContextFailureTest : public SoapTransportTest, public ::testing::WithParamInterface<FailureCase> {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
  }
  CTestSigningService service;
};

TEST_P(CallContextFailureTest, FailureBecomesTheAnswer) {
  const FailureCase& c = GetParam();
  auto provider = MakeProvider(MethodFor(c, service), CTestClock(), ConfigFor(service, c.servicePath));
  provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
  std::shared_ptr<CPolicy> account;
  if (c.account != nullptr) {
    account = MakeAccount(std::wstring(L"ACME/") + c.account);
    ASSERT_TRUE(provider->tokenCache.StoreToken(*account, Utf16(std::wstring(L"SESSION=") + c.account)));
  }
  CVaultCoreCallContext context =
      account ? CVaultCoreCallContext(provider, account) : CVaultCoreCallContext(provider);
  context.silent = true;
  std::vector<CAuthenticationValue> values;
  for (const auto& [id, text] : c.credentials) values.emplace_back(id, Utf16(text));
  if (!values.empty()) context.SetAuthenticationFields(values);

  CIsAliveCallExecutor isAlive;
  CGetPolicyVaultCoreCallExecutor getPolicy(provider);
  CScriptedExecutor throwAuthentication([](CVaultCoreSOAPClient&) {
    throw CAuthenticationException(401, ERROR_ACCESS_DENIED, L"The session was refused");
  });
  CScriptedExecutor throwWindows(
      [](CVaultCoreSOAPClient&) { throw CWindowsException(ERROR_FILE_NOT_FOUND); });
  CScriptedExecutor throwOther([](CVaultCoreSOAPClient&) { throw std::runtime_error("unexpected"); });
  AVaultCoreCallExecutor* executor = &throwOther;
  switch (c.call) {
    case Call::kIsAlive:
      executor = &isAlive;
      break;
    case Call::kGetPolicy:
      executor = &getPolicy;
      break;
    case Call::kThrowAuthentication:
      executor = &throwAuthentication;
      break;
    case Call::kThrowWindows:
      executor = &throwWindows;
      break;
    case Call::kThrowOther:
      break;
  }

  EXPECT_EQ(c.completed, context.Execute(*executor));
  VirtualSmartCardProtocol::CAddAccountResponse response;
  response.SetStatus(12345);
  executor->GetError(response);
  EXPECT_EQ(c.status == 0, executor->Succeeded());

  if (c.status == kServiceCode) {
    EXPECT_EQ(static_cast<DWORD>(executor->serviceError.GetError()), response.GetStatus());
    EXPECT_NE(0u, response.GetStatus());
    EXPECT_NE(static_cast<DWORD>(ERROR_NOT_AUTHENTICATED), response.GetStatus());
  } else {
    EXPECT_EQ(c.status, response.GetStatus());
  }
  const std::wstring message = response.GetErrorMessage();
  switch (c.text) {
    case Text::kNone:
      EXPECT_EQ(L"", message);
      break;
    case Text::kOtpRefused:
      EXPECT_EQ(L"Authentication of anna failed!\n\nWrong OTP PIN or Passcode.", message);
      break;
    case Text::kNotAuthenticated:
      EXPECT_EQ(FormatSystemErrorMessage(ERROR_NOT_AUTHENTICATED, false), message);
      EXPECT_EQ(303, executor->authError.GetStatus());
      EXPECT_EQ(303, executor->serviceError.GetStatus()) << "the redirect is kept as the service error";
      break;
    case Text::kDomain:
      EXPECT_EQ(L"The account is not allowed to be used in the current Windows Domain", message);
      break;
    case Text::kInternal:
      EXPECT_EQ(L"Internal Error", message);
      EXPECT_EQ(500, executor->serviceError.GetStatus());
      break;
    case Text::kGiven:
      EXPECT_EQ(c.call == Call::kThrowWindows ? CWindowsException(ERROR_FILE_NOT_FOUND).GetMessage()
                                              : L"The session was refused",
                message);
      break;
    case Text::kFromService:
      EXPECT_FALSE(message.empty());
      EXPECT_EQ(message, executor->authError.GetError() != 0 ? executor->authError.GetMessage()
                                                             : executor->serviceError.GetMessage());
      break;
  }

  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(static_cast<size_t>(c.requests), requests.size());
  if (!requests.empty()) {
    if (c.cookie == nullptr) {
      EXPECT_FALSE(requests.back().HasHeader("Cookie"));
    } else {
      // The login's cookie travels as the server set it, attributes included.
      EXPECT_EQ(0u, requests.back().Header("Cookie").rfind(c.cookie, 0)) << requests.back().Header("Cookie");
    }
  }
  if (account) {
    EXPECT_EQ(c.tokenCachedAfter, provider->tokenCache.HasToken(*account));
  }
  if (c.completed) {
    std::wstring token(reinterpret_cast<const wchar_t*>(executor->token.data), executor->token.size / 2);
    const std::wstring expected =
        c.cookie == nullptr ? std::wstring() : std::wstring(c.cookie, c.cookie + strlen(c.cookie));
    EXPECT_EQ(expected, token.substr(0, expected.size()));
    EXPECT_EQ(expected.empty(), token.empty());
  }
}

using Credentials = std::vector<std::pair<DWORD, const wchar_t*>>;
const Credentials kIncomplete = {{1001, L"anna"}, {1002, L"pa=ss w0rd"}};
const Credentials kWrong = {{1001, L"anna"}, {1002, L"wrong"}, {1003, L"000 000"}};
const Credentials kRight = {{1001, L"anna"}, {1002, L"pa=ss w0rd"}, {1003, L"123 456"}};
// The last value of an id counts.
const Credentials kCorrected = {{1001, L"anna"}, {1002, L"wrong"}, {1003, L"123 456"}, {1002, L"pa=ss w0rd"}};

INSTANTIATE_TEST_SUITE_P(
    Rows, CallContextFailureTest,
    ::testing::Values(
        // name, method, service path, login path, account, credentials, call,
        // completed, status, text, requests, cookie, token cached after
        FailureCase{"OtpCredentialsIncomplete", AUTH_TYPE_OTP, L"/vault", L"/login", nullptr, kIncomplete,
                    Call::kGetPolicy, false, ERROR_INVALID_PARAMETER, Text::kOtpRefused, 0, nullptr, false},
        FailureCase{"OtpLoginRefusedByServer", AUTH_TYPE_OTP, L"/vault", L"/login", nullptr, kWrong,
                    Call::kGetPolicy, false, static_cast<DWORD>(CVaultOTPAuthClient::kAccessDenied),
                    Text::kFromService, 1, nullptr, false},
        FailureCase{"OtpLoginThenPolicy", AUTH_TYPE_OTP, L"/vault", L"/login", nullptr, kCorrected,
                    Call::kGetPolicy, true, 0, Text::kNone, 2, "SESSION=anna", false},
        FailureCase{"CachedTokenRefreshesAndIsKept", AUTH_TYPE_OTP, L"/vault", L"/login", L"anna",
                    Credentials{}, Call::kGetPolicy, true, 0, Text::kNone, 1, "SESSION=anna", true},
        FailureCase{"PasswordMethodSendsNoLoginAndNoCookie", AUTH_TYPE_PASSWORD, L"/vault", L"/login",
                    nullptr, kRight, Call::kGetPolicy, false, ERROR_NOT_AUTHENTICATED,
                    Text::kNotAuthenticated, 1, nullptr, false},
        FailureCase{"RedirectToTheServicesOwnSegment", AUTH_TYPE_OTP, L"/vault/expired", L"/login/form",
                    L"anna", Credentials{}, Call::kIsAlive, false, ERROR_NOT_AUTHENTICATED,
                    Text::kNotAuthenticated, 1, "SESSION=anna", false},
        FailureCase{"RedirectElsewhereIsAServiceError", AUTH_TYPE_OTP, L"/vault/expired", L"/portal", L"anna",
                    Credentials{}, Call::kIsAlive, false, kServiceCode, Text::kFromService, 1, "SESSION=anna",
                    true},
        FailureCase{"ServiceFault", AUTH_TYPE_OTP, L"/fault", L"/login", L"anna", Credentials{},
                    Call::kIsAlive, false, kServiceCode, Text::kFromService, 1, "SESSION=anna", true},
        FailureCase{"AuthenticationFailureDuringTheCall", AUTH_TYPE_OTP, L"/vault", L"/login", L"anna",
                    Credentials{}, Call::kThrowAuthentication, false, ERROR_ACCESS_DENIED, Text::kGiven, 0,
                    nullptr, false},
        FailureCase{"WindowsFailure", AUTH_TYPE_OTP, L"/vault", L"/login", L"anna", Credentials{},
                    Call::kThrowWindows, false, ERROR_FILE_NOT_FOUND, Text::kGiven, 0, nullptr, true},
        FailureCase{"AnyOtherFailure", AUTH_TYPE_OTP, L"/vault", L"/login", L"anna", Credentials{},
                    Call::kThrowOther, false, ERROR_INTERNAL_ERROR, Text::kInternal, 0, nullptr, true},
        FailureCase{"PolicyNotAllowedInThisDomain", AUTH_TYPE_OTP, L"/vault", L"/login", L"bob",
                    Credentials{}, Call::kGetPolicy, true, ERROR_INVALID_DATA, Text::kDomain, 1,
                    "SESSION=bob", true}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

class CallContextTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
  }
  std::shared_ptr<CProviderContext> OtpProvider(std::vector<std::wstring> form) {
    auto method = std::make_shared<COTPConfig>(nullptr);
    method->service.ServiceURL = service.Url(L"/login");
    method->ServiceParameters = std::move(form);
    auto provider = MakeProvider(method, CTestClock(), ConfigFor(service, L"/vault"));
    provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
    return provider;
  }
  CTestSigningService service;
};

TEST_F(CallContextTest, NewAccountsPolicyAndSessionComeBackFromTheLogin) {
  CVaultCoreCallContext context(OtpProvider({L"user={user}", L"password={password}", L"otp={otp}"}));
  context.silent = true;
  context.SetAuthenticationFields({CAuthenticationValue(1001, Utf16(L"anna")),
                                   CAuthenticationValue(1002, Utf16(L"pa=ss w0rd")),
                                   CAuthenticationValue(1003, Utf16(L"123 456"))});
  CGetPolicyVaultCoreCallExecutor executor(context.providerContext);
  ASSERT_TRUE(context.Execute(executor));
  ASSERT_TRUE(executor.Succeeded());
  ASSERT_NE(nullptr, executor.GetPolicy());
  EXPECT_EQ(L"anna", executor.GetPolicy()->userId);
  std::wstring token(reinterpret_cast<const wchar_t*>(executor.token.data), executor.token.size / 2);
  EXPECT_EQ(0u, token.rfind(L"SESSION=anna", 0)) << token;
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("/login", requests[0].target);
  EXPECT_EQ("/vault", requests[1].target);
}

// A login that fails with anything but its own two failure kinds used to leave Execute and end the
// request worker; it is now an internal service error of the call, and nothing was called.
TEST_F(CallContextTest, UnexpectedLoginFailureBecomesAnInternalError) {
  CVaultCoreCallContext context(OtpProvider({L"user={user}", L"password={password}", L"otp={otp}"}));
  context.silent = true;
  context.otpLogin = [](const COTPConfig&, const std::wstring&, const std::wstring&,
                        const std::wstring&) -> std::wstring { throw std::runtime_error("the login broke"); };
  context.SetAuthenticationFields({CAuthenticationValue(1001, Utf16(L"anna")),
                                   CAuthenticationValue(1002, Utf16(L"pa=ss w0rd")),
                                   CAuthenticationValue(1003, Utf16(L"123 456"))});
  CIsAliveCallExecutor executor;
  bool completed = true;
  EXPECT_NO_THROW(completed = context.Execute(executor));
  EXPECT_FALSE(completed);
  EXPECT_EQ(500, executor.serviceError.GetStatus());
  VirtualSmartCardProtocol::CAddAccountResponse response;
  executor.GetError(response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNAL_ERROR), response.GetStatus());
  EXPECT_EQ(L"Internal Error", response.GetErrorMessage());
  EXPECT_TRUE(service.Requests().empty());
}

// A form with a placeholder left is a configuration error: the login client refuses it before any
// traffic, and the answer carries its code.
TEST_F(CallContextTest, BrokenLoginFormIsAnAuthenticationErrorWithItsCode) {
  CVaultCoreCallContext context(OtpProvider({L"user={user}", L"pin={pin}"}));
  context.SetAuthenticationFields({CAuthenticationValue(1001, Utf16(L"anna")),
                                   CAuthenticationValue(1002, Utf16(L"pa=ss w0rd")),
                                   CAuthenticationValue(1003, Utf16(L"123 456"))});
  CIsAliveCallExecutor executor;
  EXPECT_FALSE(context.Execute(executor));
  EXPECT_EQ(500, executor.authError.GetStatus());
  VirtualSmartCardProtocol::CAddAccountResponse response;
  executor.GetError(response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_CONFIGURATION), response.GetStatus());
  EXPECT_TRUE(service.Requests().empty());
}

TEST(CallExecutorTest, PolicyRefusalOnlyWhenNoCallErrorAndErrorsCopyAllFields) {
  CGetPolicyVaultCoreCallExecutor executor(MakeProvider(MethodOf(AUTH_TYPE_OTP)));
  EXPECT_TRUE(executor.Succeeded());
  executor.policyError = CPolicyException(L"refused");
  EXPECT_FALSE(executor.Succeeded());
  VirtualSmartCardProtocol::CAddAccountResponse response;
  executor.GetError(response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), response.GetStatus());
  EXPECT_EQ(L"refused", response.GetErrorMessage());

  CSOAPServiceException redirect(303, 12345, L"moved");
  redirect.SetExtra(L"https://localhost/login");
  executor.SetServiceError(redirect);
  executor.SetServiceError(executor.serviceError);  // self-assignment changes nothing
  EXPECT_EQ(L"https://localhost/login", executor.serviceError.GetExtra());
  executor.GetError(response);
  EXPECT_EQ(12345u, response.GetStatus()) << "a call error wins over the refusal";
  EXPECT_EQ(L"moved", response.GetErrorMessage());
  executor.SetAuthError(CAuthenticationException(303, ERROR_NOT_AUTHENTICATED, L"gone"));
  executor.GetError(response);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_AUTHENTICATED), response.GetStatus());
}

}  // namespace
}  // namespace luma::service::testing
