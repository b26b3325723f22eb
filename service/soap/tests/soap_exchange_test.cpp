// Every exchange of the transport against the local test signing service over TLS.
#include <gtest/gtest.h>

#include "policy/config/service_config.h"
#include "service/core/soap_error_text.h"
#include "service/soap/soap_secure_wininet_client.h"
#include "service/testing/soap_test_fixture.h"

namespace luma::service::testing {
namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Percent-escapes everything but letters and digits, for a URL carried in a query value.
std::wstring QueryValue(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t c : text) {
    if (iswalnum(c)) {
      escaped.push_back(c);
    } else {
      wchar_t hex[4];
      swprintf(hex, 4, L"%%%02X", static_cast<unsigned>(c));
      escaped += hex;
    }
  }
  return escaped;
}

TEST_F(SoapTransportTest, SoapCallsShareOneConnectionAndSendTheirHeaders) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/fixed?call=1").c_str());
  for (int call = 0; call < 2; ++call) {
    client.CleanupClient();
    client.RequestBody() = kIsAliveEnvelope;
    ASSERT_EQ(S_OK, client.SendRequest(kIsAliveAction)) << call;
    EXPECT_EQ(200u, client.GetStatusCode());
    EXPECT_EQ(kSoapSuccess, client.GetErrorState());
    EXPECT_NE(std::string::npos, client.ReadResponseBody().find("<IsAliveResponse><status>OK</status>"));
  }
  std::wstring text;
  EXPECT_EQ(0u, client.GetErrorText(text));

  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(2u, requests.size());
  for (const LoggedRequest& request : requests) {
    EXPECT_EQ("POST", request.method);
    EXPECT_EQ("/fixed?call=1", request.target);
    EXPECT_EQ("\"urn:lumapass-test/VaultCoreService/IsAlive\"", request.Header("SOAPAction"));
    EXPECT_EQ("text/xml; charset=utf-8", request.Header("Content-Type"));
    EXPECT_EQ(std::to_string(sizeof kIsAliveEnvelope - 1), request.Header("Content-Length"));
    // The test program has no version block.
    EXPECT_EQ(0u, request.Header("User-Agent").rfind("CSoapSecureWininetClient/1.0 (Windows ", 0))
        << request.Header("User-Agent");
    EXPECT_EQ(Narrow(CSoapSecureWininetClient::BuildUserAgent()), request.Header("User-Agent"));
    const std::string agent = request.Header("User-Agent");
    EXPECT_TRUE(agent.find(" x64)") != std::string::npos || agent.find(" x86)") != std::string::npos)
        << agent;
    EXPECT_FALSE(request.HasHeader("Cookie"));
    EXPECT_FALSE(request.HasHeader("Accept-Language"));
    EXPECT_EQ(kIsAliveEnvelope, request.body);
  }
  EXPECT_EQ(requests[0].peerPort, requests[1].peerPort) << "the second call opened a new connection";
}

TEST_F(SoapTransportTest, FormPostSendsEncodedFieldsCookieAndLanguage) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/echo").c_str());
  client.SetCookie(L"SESSION=abc; PREF=blue");
  ASSERT_EQ(S_OK, client.AddFormField(L"user", L"alice smith"));
  ASSERT_EQ(S_OK, client.AddFormField(L"password", L"50% & ?x\u00fc"));
  EXPECT_EQ(E_FAIL, client.AddFormField(L"long", std::wstring(2083, L'a').c_str()));
  ASSERT_EQ(S_OK, client.SendRequest(nullptr));
  EXPECT_EQ("user=alice+smith&password=50%25+%26+%3fx%c3%bc", client.ReadResponseBody());
  EXPECT_EQ(L"SESSION=echo-session; Path=/; Secure; HttpOnly", client.GetSetCookieHeader());

  // A null, empty or unsendable cookie removes the header from the next request.
  for (const wchar_t* cookie : {static_cast<const wchar_t*>(nullptr), L"", L"a=b\r\nX-Injected: 1"}) {
    client.SetCookie(L"SESSION=abc");
    client.SetCookie(cookie);
    client.CleanupClient();
    ASSERT_EQ(S_OK, client.AddFormField(L"n", L"1"));
    ASSERT_EQ(S_OK, client.SendRequest(nullptr));
  }
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(4u, requests.size());
  EXPECT_EQ("SESSION=abc; PREF=blue", requests[0].Header("Cookie"));
  EXPECT_EQ("application/x-www-form-urlencoded; charset=utf-8", requests[0].Header("Content-Type"));
  EXPECT_FALSE(requests[0].Header("Accept-Language").empty());
  EXPECT_FALSE(requests[0].HasHeader("SOAPAction"));
  for (size_t i = 1; i < requests.size(); ++i) {
    EXPECT_FALSE(requests[i].HasHeader("Cookie")) << i;
    EXPECT_FALSE(requests[i].HasHeader("X-Injected")) << i;
    EXPECT_EQ("n=1", requests[i].body);
  }
}

TEST_F(SoapTransportTest, SoapFaultIsParsedIntoTheFaultAndItsText) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/fault").c_str());
  client.RequestBody() = kIsAliveEnvelope;
  EXPECT_EQ(E_FAIL, client.SendRequest(kIsAliveAction));
  EXPECT_EQ(kSoapFaultReturned, client.GetErrorState());
  EXPECT_EQ(L"soap:Server", client.GetFault().faultcode);
  EXPECT_EQ(L"Card blocked", client.GetFault().faultstring);
  EXPECT_EQ(L"urn:test-service", client.GetFault().faultactor);
  EXPECT_EQ(L"PIN tries exhausted", client.GetFault().detail);
  std::wstring text;
  EXPECT_EQ(kSoapErrorFault, client.GetErrorText(text));
  EXPECT_EQ(L"Card blocked", text);

  // A fault that is not XML: the parse failure shows, the status text stands for it.
  ASSERT_EQ(S_OK, client.SetUrl(service.Url(L"/fault/malformed").c_str()));
  client.CleanupClient();
  client.RequestBody() = kIsAliveEnvelope;
  EXPECT_EQ(E_FAIL, client.SendRequest(kIsAliveAction));
  EXPECT_EQ(kSoapFaultParseFailed, client.GetErrorState());
  EXPECT_TRUE(client.GetFault().faultstring.empty());
  EXPECT_EQ(kSoapErrorSoapClient, client.GetErrorText(text));
  EXPECT_EQ(L"Server returned status 500: Internal Server Error", text);
}

TEST_F(SoapTransportTest, FormPostAnswered500IsUnexpectedAndNotParsed) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/fault").c_str());
  ASSERT_EQ(S_OK, client.AddFormField(L"user", L"alice"));
  EXPECT_EQ(E_UNEXPECTED, client.SendRequest(nullptr));
  EXPECT_EQ(kSoapServerError, client.GetErrorState());
  EXPECT_TRUE(client.GetFault().faultstring.empty());
  EXPECT_NE(std::string::npos, client.ReadResponseBody().find("<faultstring>Card blocked</faultstring>"))
      << "the body was consumed";
}

TEST_F(SoapTransportTest, RedirectsAndStatusesComeBackWithTheirTexts) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  const std::wstring location = service.Url(L"/login?next=%2Fsign");
  struct Case {
    std::wstring path;
    DWORD status;
    const wchar_t* text;
    bool redirect;
  } const cases[] = {
      {L"/redirect/303?to=" + QueryValue(location), 303, L"Server returned status 303: See Other", true},
      {L"/redirect/302?to=" + QueryValue(location), 302, L"Server returned status 302: Found", true},
      {L"/status/503", 503, L"Server returned status 503: Service Unavailable", false},
      {L"/status/404", 404, L"Server returned status 404: Not Found", false},
  };
  for (const Case& c : cases) {
    CSoapSecureWininetClient client(service.Url(c.path).c_str());
    client.RequestBody() = kIsAliveEnvelope;
    EXPECT_EQ(E_UNEXPECTED, client.SendRequest(kIsAliveAction)) << c.text;
    EXPECT_EQ(c.status, client.GetStatusCode());
    EXPECT_EQ(kSoapServerError, client.GetErrorState());
    EXPECT_EQ(c.redirect ? location : L"", client.GetLocationHeader());
    std::wstring text = L"caller";
    EXPECT_EQ(kSoapErrorSoapClient, client.GetErrorText(text));
    EXPECT_EQ(c.text, text);
  }
  // Each redirect was seen by the caller, never followed.
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(4u, requests.size());
  for (const LoggedRequest& request : requests) EXPECT_EQ("POST", request.method);
}

TEST_F(SoapTransportTest, PinningAcceptsTheListedIssuerInAnyLetterCase) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  std::wstring upper = TestCaFingerprint();
  ASSERT_EQ(40u, upper.size());
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));

  CServiceConfig config;
  config.ServiceURL = service.Url(L"/fixed");
  config.ServiceIssuerFingerprints = {L"00", upper};
  CSoapSecureWininetClient client(L"https://unused.invalid/");
  ConfigureSoapClient(config, client);
  client.RequestBody() = kIsAliveEnvelope;
  ASSERT_EQ(S_OK, client.SendRequest(kIsAliveAction));
  EXPECT_EQ(TestCaFingerprint(), client.GetServerIssuerFingerprint());
  EXPECT_EQ(L"CN=lumaPass Test Service CA, O=lumaPass tests", client.GetServerIssuerName());
  EXPECT_EQ(1u, service.Requests().size());
}

// The session cookie is a bearer token: a refused issuer gets neither the body nor the cookie. With
// a cookie, the issuer is checked on an empty request first, so the service sees at most that one.
TEST_F(SoapTransportTest, PinningRefusesOtherIssuersBeforeAnyBodyByteOrTheCookie) {
  struct Case {
    ServiceIdentity identity;
    DWORD securityFlags;
    std::wstring accepted;
  } const cases[] = {
      // Issued by the trusted test CA, but another CA is listed.
      {ServiceIdentity::kTrusted, 0, UntrustedCaFingerprint()},
      // A chain of one element has no issuer to compare, even when its CA is listed.
      {ServiceIdentity::kUntrusted, SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION,
       UntrustedCaFingerprint()},
  };
  for (const Case& c : cases) {
    for (const wchar_t* cookie : {L"", L"SESSION=bearer-token"}) {
      SCOPED_TRACE(Narrow(cookie));
      CTestSigningService service(c.identity);
      ASSERT_TRUE(service.IsRunning());
      CSoapSecureWininetClient client(service.Url(L"/fixed").c_str());
      client.SetSecurityFlags(c.securityFlags);
      client.SetIssuerFingerprints({c.accepted});
      client.SetCookie(cookie);
      client.RequestBody() = kIsAliveEnvelope;
      EXPECT_EQ(E_FAIL, client.SendRequest(kIsAliveAction));
      EXPECT_EQ(kSoapSendFailed, client.GetErrorState());
      EXPECT_EQ(kUntrustedRootError, client.GetLastErrorCode());
      std::wstring text;
      EXPECT_EQ(kUntrustedRootError, client.GetErrorText(text));
      EXPECT_NE(std::wstring::npos, text.find(L"[0x800b0112]")) << Narrow(text);
      const std::vector<LoggedRequest> requests = service.Requests();
      EXPECT_EQ(requests.size(), *cookie == L'\0' ? 0u : 1u);
      for (const LoggedRequest& request : requests)
        EXPECT_EQ("", request.body) << "the body reached the service";
      for (const LoggedRequest& request : service.ArrivedRequests()) {
        EXPECT_FALSE(request.HasHeader("Cookie")) << "the cookie reached the service";
      }
    }
  }
}

// An accepted issuer gets the cookie on the real request, after the empty one that showed it.
TEST_F(SoapTransportTest, PinnedIssuerGetsTheCookieOnlyWithTheRequestAfterTheCheck) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/fixed").c_str());
  client.SetIssuerFingerprints({TestCaFingerprint()});
  client.SetCookie(L"SESSION=bearer-token");
  client.RequestBody() = kIsAliveEnvelope;
  ASSERT_EQ(S_OK, client.SendRequest(kIsAliveAction));
  const std::vector<LoggedRequest> requests = service.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_FALSE(requests[0].HasHeader("Cookie"));
  EXPECT_EQ("", requests[0].body);
  EXPECT_EQ("SESSION=bearer-token", requests[1].Header("Cookie"));
  EXPECT_EQ(requests[0].peerPort, requests[1].peerPort) << "the request follows on the checked connection";
}

TEST_F(SoapTransportTest, NegotiatePreflightAnswersOneChallengeAndGivesUpOnTheSecond) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  struct Case {
    const wchar_t* path;
    HRESULT result;
    size_t emptyRequests;
    bool bodySent;
  } const cases[] = {
      {L"/preflight/401/1", S_OK, 2, true},
      {L"/preflight/401/2", E_UNEXPECTED, 2, false},
      {L"/preflight/407/1", S_OK, 2, true},
      {L"/preflight/407/2", E_UNEXPECTED, 2, false},  // no proxy credentials to answer with
  };
  for (const Case& c : cases) {
    CSoapSecureWininetClient client(service.Url(c.path).c_str());
    client.SetNegotiateSupport(true);
    // With credentials WinINet answers a second proxy challenge itself.
    if (std::wstring(c.path) == L"/preflight/407/1")
      client.SetProxyCredentials(L"proxy-user", L"proxy-password");
    client.RequestBody() = kIsAliveEnvelope;
    EXPECT_EQ(c.result, client.SendRequest(kIsAliveAction)) << Narrow(c.path);
  }
  const std::vector<LoggedRequest> requests = service.Requests();
  for (const Case& c : cases) {
    size_t empty = 0, withBody = 0;
    for (const LoggedRequest& request : requests) {
      if (request.target != Narrow(c.path)) continue;
      (request.body.empty() ? empty : withBody)++;
    }
    EXPECT_EQ(c.emptyRequests, empty) << Narrow(c.path);
    EXPECT_EQ(c.bodySent ? 1u : 0u, withBody) << Narrow(c.path);
  }
}

TEST_F(SoapTransportTest, TransportFailuresCarryTheirSystemError) {
  int closedPort = 0;
  {
    CTestSigningService service;
    ASSERT_TRUE(service.IsRunning());
    closedPort = service.Port();
  }
  Sleep(300);  // the stopped service has closed its listening socket
  CSoapSecureWininetClient refused((L"https://localhost:" + std::to_wstring(closedPort) + L"/fixed").c_str());
  refused.RequestBody() = kIsAliveEnvelope;
  EXPECT_EQ(E_FAIL, refused.SendRequest(kIsAliveAction));
  EXPECT_EQ(kSoapSendFailed, refused.GetErrorState());
  EXPECT_NE(0u, refused.GetLastErrorCode());
  std::wstring text;
  EXPECT_EQ(refused.GetLastErrorCode(), refused.GetErrorText(text));

  // A URL that cannot be cracked fails the connection.
  CSoapSecureWininetClient unusable(L"ftp://localhost/");
  EXPECT_EQ(E_FAIL, unusable.SetUrl(L"not a url"));
  EXPECT_EQ(E_FAIL, unusable.SendRequest(kIsAliveAction));
  EXPECT_EQ(kSoapConnectFailed, unusable.GetErrorState());
}

TEST_F(SoapTransportTest, DelayedAnswerBeyondTheTimeoutFailsTheCall) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/delay/5000").c_str());
  client.SetTimeout(500);
  client.RequestBody() = kIsAliveEnvelope;
  // Windows fails the end of the request with a time-out; Wine ends it without a response
  // (status 0). Either way the late answer is never taken.
  EXPECT_TRUE(FAILED(client.SendRequest(kIsAliveAction)));
  EXPECT_NE(kSoapSuccess, client.GetErrorState());
  EXPECT_NE(200u, client.GetStatusCode());
}

TEST_F(SoapTransportTest, ResponseBodiesAreReadUpToTheirCap) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CSoapSecureWininetClient client(service.Url(L"/large/5000").c_str());
  ASSERT_EQ(S_OK, client.SendRequest(nullptr));
  EXPECT_EQ(std::string(5000, 'x'), client.ReadResponseBody());
  ASSERT_EQ(S_OK,
            client.SetUrl(service.Url(L"/large/" + std::to_wstring(kMaxResponseBodyBytes + 1)).c_str()));
  client.CleanupClient();
  ASSERT_EQ(S_OK, client.SendRequest(nullptr));
  EXPECT_TRUE(client.ReadResponseBody().empty());
}

}  // namespace
}  // namespace luma::service::testing
