// The transport's text rules: form values, issuer pinning, request headers, URL escaping and the
// error texts of a failed exchange.
#include <gtest/gtest.h>

#include "service/core/soap_error_text.h"
#include "service/core/soap_fingerprint.h"
#include "service/core/soap_form_encoding.h"
#include "service/core/soap_request_headers.h"
#include "service/core/soap_secret_text.h"
#include "service/core/soap_url_escape.h"

namespace luma::service {
namespace {

TEST(SoapFormEncodingTest, EncodesEveryByteOutsideTheKeptSetWhereverItStands) {
  struct Case {
    const char* value;
    const char* encoded;
  } const cases[] = {
      {"", ""},
      {"a b", "a+b"},
      {" lead&trail ", "+lead%26trail+"},
      {"100%", "100%25"},
      {"?q=1", "%3fq%3d1"},
      {"%20", "%2520"},  // a literal "%20" is not turned into "+"
      {"AZaz09!'()*-./:_~", "AZaz09!'()*-./:_~"},
      {"\xC3\xBC\x7F\n", "%c3%bc%7f%0a"},
  };
  for (const Case& c : cases) {
    std::string encoded;
    ASSERT_TRUE(EncodeFormValue(c.value, encoded)) << c.value;
    EXPECT_EQ(c.encoded, encoded) << c.value;
  }
  std::string encoded;
  ASSERT_TRUE(EncodeFormValue(std::string_view("a\0b", 3), encoded));
  EXPECT_EQ("a%00b", encoded);
}

TEST(SoapFormEncodingTest, LimitsTheEncodedValueTo2082Characters) {
  std::string encoded;
  EXPECT_TRUE(EncodeFormValue(std::string(kMaxFormValueLength, 'x'), encoded));
  EXPECT_EQ(kMaxFormValueLength, encoded.size());
  EXPECT_FALSE(EncodeFormValue(std::string(kMaxFormValueLength + 1, 'x'), encoded));
  EXPECT_TRUE(encoded.empty());
  // 694 escaped bytes are 2082 characters; one more byte of any kind is too long.
  EXPECT_TRUE(EncodeFormValue(std::string(694, '&'), encoded));
  EXPECT_FALSE(EncodeFormValue(std::string(694, '&') + " ", encoded));
  EXPECT_FALSE(EncodeFormValue(std::string(2081, 'x') + "&", encoded));
}

TEST(SoapFormEncodingTest, JoinsFieldsWithAmpersands) {
  std::string body;
  AppendFormField(body, "user", "alice");
  AppendFormField(body, "password", "a+b%26");
  AppendFormField(body, "empty", "");
  EXPECT_EQ("user=alice&password=a+b%26&empty=", body);
}

TEST(SoapSecretTextTest, AppendsAcrossGrowthAndWipes) {
  std::string text;
  for (int i = 0; i < 100; ++i) AppendWiping(text, "0123456789");
  EXPECT_EQ(1000u, text.size());
  EXPECT_EQ("0123456789", text.substr(990));
  WipeText(text);
  EXPECT_TRUE(text.empty());
}

TEST(SoapFingerprintTest, AcceptsOnlyANonEmptyListedFingerprintInAnyLetterCase) {
  const std::vector<std::wstring> accepted = {L"00ff", L"0A1B2C"};
  EXPECT_TRUE(IsAcceptedIssuer(L"0a1b2c", accepted));
  EXPECT_TRUE(IsAcceptedIssuer(L"00FF", accepted));
  EXPECT_FALSE(IsAcceptedIssuer(L"0a1b2", accepted));
  EXPECT_FALSE(IsAcceptedIssuer(L"", accepted));
  EXPECT_FALSE(IsAcceptedIssuer(L"", {L""}));
  EXPECT_FALSE(IsAcceptedIssuer(L"00ff", {}));
  const unsigned char bytes[] = {0x00, 0xAB, 0x0F, 0xF0};
  EXPECT_EQ(L"00ab0ff0", HexLower(bytes, sizeof bytes));
}

TEST(SoapRequestHeadersTest, SoapCallFormPostAndCookie) {
  EXPECT_EQ(L"SOAPAction: \"urn:x/IsAlive\"\r\nContent-Type: text/xml; charset=utf-8\r\n",
            BuildRequestHeaders(L"SOAPAction: \"urn:x/IsAlive\"\r\n", L"de-DE", L""));
  EXPECT_EQ(
      L"Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\nAccept-Language: de-DE\r\n"
      L"Cookie: SESSION=1\r\n",
      BuildRequestHeaders(L"", L"de-DE", L"SESSION=1"));
  EXPECT_EQ(L"Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n",
            BuildRequestHeaders(L"", L"", L""));
  EXPECT_EQ(L"Content-Length: 0\r\n", ContentLengthHeader(0));
  EXPECT_EQ(L"Content-Length: 4000000000\r\n", ContentLengthHeader(4000000000u));
}

TEST(SoapRequestHeadersTest, RefusesCookiesThatCouldEndTheHeaderLine) {
  EXPECT_TRUE(IsSendableCookie(L"SESSION=abc; PREF=blue"));
  EXPECT_TRUE(IsSendableCookie(std::wstring(kMaxCookieLength, L'a')));
  EXPECT_FALSE(IsSendableCookie(std::wstring(kMaxCookieLength + 1, L'a')));
  EXPECT_FALSE(IsSendableCookie(L"a=b\r\nX-Injected: 1"));
  EXPECT_FALSE(IsSendableCookie(L"a=b\n"));
  EXPECT_FALSE(IsSendableCookie(std::wstring(L"a\0b", 3)));
}

TEST(SoapUrlEscapeTest, EscapesBytesOutsideTheUrlSetAndBoundsTheLength) {
  std::string escaped;
  ASSERT_TRUE(EscapeServiceUrl("https://host:8443/a b/\xC3\xBC?x=1&y=%41#f", escaped));
  EXPECT_EQ("https://host:8443/a%20b/%C3%BC?x=1&y=%41#f", escaped);
  ASSERT_TRUE(EscapeServiceUrl("\"<>\\^`{|}", escaped));
  EXPECT_EQ("%22%3C%3E%5C%5E%60%7B%7C%7D", escaped);
  EXPECT_TRUE(EscapeServiceUrl(std::string(kMaxServiceUrlLength, 'a'), escaped));
  EXPECT_FALSE(EscapeServiceUrl(std::string(kMaxServiceUrlLength - 2, 'a') + " ", escaped));
  EXPECT_TRUE(escaped.empty());
}

std::wstring FakeSystemText(std::uint32_t code) {
  return code == 0x12345 ? L"" : L"system text " + std::to_wstring(code);
}

TEST(SoapErrorTextTest, TextAndCodeOfEveryOutcome) {
  struct Case {
    SoapOutcome outcome;
    std::uint32_t code;
    const wchar_t* text;
  } const cases[] = {
      {{12029, 0, kSoapConnectFailed, -1, L"", L""}, 12029, L"system text 12029"},
      {{0x12345, 0, kSoapConnectFailed, -1, L"", L""}, 0x12345, L"caller"},  // no system text
      {{kUntrustedRootError, 0, kSoapSendFailed, -1, L"", L""},
       kUntrustedRootError,
       L"system text 2148204818"},
      {{0, 500, kSoapFaultReturned, -1, L"Bad PIN", L"Internal Server Error"}, kSoapErrorFault, L"Bad PIN"},
      {{0, 500, kSoapFaultReturned, -1, L"", L"Internal Server Error"},
       kSoapErrorFault,
       L"Internal server error"},
      {{0, 500, kSoapServerError, -1, L"", L"Internal Server Error"},
       kSoapErrorSoapClient,
       L"Server returned status 500: Internal Server Error"},
      {{0, 200, kSoapSuccess, -2147467259, L"", L"OK"}, kSoapErrorLastResult, L"system text 2147500037"},
      {{0, 200, kSoapSuccess, 0, L"", L"OK"}, 0, L"system text 0"},
      {{0, 200, kSoapParseFailed, -1, L"", L"OK"},
       kSoapErrorSoapClient,
       L"SOAP error 10: Failed in parsing response"},
      {{0, 200, 42, -1, L"", L"OK"}, kSoapErrorSoapClient, L"SOAP error 42: Unknown error"},
      {{0, 302, kSoapServerError, -1, L"", L"Found"},
       kSoapErrorSoapClient,
       L"Server returned status 302: Found"},
      {{0, 0, kSoapServerError, -1, L"", L""}, kSoapErrorSoapClient, L"Server returned status 0: "},
  };
  for (const Case& c : cases) {
    std::wstring text = L"caller";
    EXPECT_EQ(c.code, DescribeSoapOutcome(c.outcome, FakeSystemText, text)) << c.text;
    EXPECT_EQ(c.text, text);
  }
  for (int state = 0; state <= 11; ++state) EXPECT_NE(nullptr, SoapErrorStateText(state));
  EXPECT_STREQ(L"Initialization failed, most likely an MSXML installation problem", SoapErrorStateText(1));
  EXPECT_STREQ(L"Failed in sending message", SoapErrorStateText(5));
}

}  // namespace
}  // namespace luma::service
