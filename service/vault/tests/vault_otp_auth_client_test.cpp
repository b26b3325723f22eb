// The web-form login against the local test service.
#include "service/vault/vault_otp_auth_client.h"

#include <gtest/gtest.h>

#include "foundation/win/windows_exception.h"
#include "service/testing/vault_test_support.h"
#include "service/vault/web_service_exception.h"

namespace luma::service::testing {
namespace {

class OtpLoginTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    ASSERT_TRUE(service.IsRunning());
  }
  CTestSigningService service;
};

TEST_F(OtpLoginTest, FilledFormGetsTheSessionCookie) {
  struct Case {
    std::vector<std::wstring> templates;
    const wchar_t* path;
    std::string body;
    std::wstring cookie;
  } cases[] = {
      // Only the first "=" of a line separates name and value.
      {{L"user={user}", L"password={password}"},
       L"/login",
       "user=anna&password=pa%3dss+w0rd",
       L"SESSION=anna"},
      {{L"user={user}", L"otp={otp}", L"lang=en"},
       L"/login",
       "user=anna&otp=123+456&lang=en",
       L"SESSION=anna"},
      {{}, L"/login/nocookie", "", L""},  // no form, no cookie
  };
  for (const Case& c : cases) {
    CVaultOTPAuthClient client(ConfigFor(service, c.path), c.templates);
    EXPECT_EQ(c.cookie, client.Authenticate(L"anna", L"pa=ss w0rd", L"123 456")) << c.body;
    const std::vector<LoggedRequest> requests = service.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(c.body, requests.back().body);
    EXPECT_EQ("application/x-www-form-urlencoded; charset=utf-8", requests.back().Header("Content-Type"));
  }
}

TEST_F(OtpLoginTest, UnresolvedPlaceholderSendsNothing) {
  // An unknown placeholder, and a brace the user typed.
  for (const std::vector<std::wstring>& templates :
       {std::vector<std::wstring>{L"user={user}", L"pin={pin}"}, std::vector<std::wstring>{L"user={user}"}}) {
    CVaultOTPAuthClient client(ConfigFor(service, L"/login"), templates);
    try {
      client.Authenticate(L"an{na", L"x", L"");
      FAIL();
    } catch (const CWindowsException& e) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_CONFIGURATION), e.GetError());
    }
  }
  EXPECT_TRUE(service.Requests().empty());
}

TEST_F(OtpLoginTest, RefusedLoginCarriesTheServersMessage) {
  CVaultOTPAuthClient client(ConfigFor(service, L"/login"), {L"user={user}", L"password={password}"});
  try {
    client.Authenticate(L"anna", L"wrong", L"");
    FAIL();
  } catch (const CAuthenticationException& e) {
    EXPECT_EQ(403, e.GetStatus());
    EXPECT_EQ(static_cast<std::int32_t>(0x803D000A), e.GetError());
    EXPECT_EQ(L"Wrong user name or password.", e.GetMessage());
  }
  // Nobody listens: no status, WinINet's error and its text.
  CServiceConfig closed;
  closed.ServiceURL = L"https://localhost:1/login";
  CVaultOTPAuthClient unreachable(closed, {L"user={user}"});
  try {
    unreachable.Authenticate(L"anna", L"", L"");
    FAIL();
  } catch (const CAuthenticationException& e) {
    EXPECT_EQ(0, e.GetStatus());
    EXPECT_EQ(12029, e.GetError());
    EXPECT_NE(std::wstring::npos, e.GetMessage().find(L"[0x00002efd]")) << e.GetMessage();
  }
}

}  // namespace
}  // namespace luma::service::testing
