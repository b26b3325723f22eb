// The remote signing service's messages: request bytes, DER parameters and the answer reader.
#include <gtest/gtest.h>

#include <vector>

#include "service/core/vault_namespace.h"
#include "service/core/vault_parameters.h"
#include "service/core/vault_request.h"
#include "service/core/vault_response.h"

namespace luma::service {
namespace {

constexpr char kEnvelopeStart[] =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>";
constexpr char kEnvelopeEnd[] = "</soap:Body></soap:Envelope>";

CSecureBuffer Counting(DWORD size) {
  CSecureBuffer bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes.data[i] = static_cast<BYTE>(i);
  return bytes;
}

std::string Hex(const CSecureBuffer& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (DWORD i = 0; i < bytes.size; ++i) {
    hex.push_back(kDigits[bytes.data[i] >> 4]);
    hex.push_back(kDigits[bytes.data[i] & 15]);
  }
  return hex;
}

TEST(VaultRequestTest, IsAliveIsTheEnvelopeWithAnEmptyRequestElement) {
  EXPECT_EQ(std::string(kEnvelopeStart) + "<ns2:IsAliveRequest xmlns:ns2=\"" + kVaultCoreNamespace +
                "\"></ns2:IsAliveRequest>" + kEnvelopeEnd,
            BuildVaultRequest("IsAliveRequest", {}));
  EXPECT_EQ(std::string("SOAPAction: \"") + kVaultCoreNamespace + "IsAlive\"\r\n",
            VaultActionLine("IsAlive"));
  EXPECT_EQ('/', kVaultCoreNamespace[sizeof kVaultCoreNamespace - 2]);
}

TEST(VaultRequestTest, SignRequestWritesBase64InLinesOf76) {
  const std::string line = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4";
  struct Case {
    DWORD size;
    std::string base64;
  } cases[] = {
      {57, line + "\r\n"},      // a multiple of 57 ends in CR LF
      {58, line + "\r\nOQ=="},  // the incomplete group follows the taken-back CR LF directly
      {60, line + "\r\nOTo7"},  // a last shorter line of complete groups loses its CR LF
      {0, ""},
      {1, "AA=="},
      {3, "AAEC"},
  };
  for (const Case& c : cases) {
    const CSecureBuffer value = Counting(c.size);
    EXPECT_EQ(std::string(kEnvelopeStart) + "<ns2:RsaPkcs1SignRequest xmlns:ns2=\"" + kVaultCoreNamespace +
                  "\"><encParameters>" + c.base64 + "</encParameters></ns2:RsaPkcs1SignRequest>" +
                  kEnvelopeEnd,
              BuildVaultRequest("RsaPkcs1SignRequest", {{"encParameters", &value}}))
        << c.size;
  }
  // Two full lines: each ends in CR LF.
  const CSecureBuffer twoLines = Counting(114);
  const std::string encoded = Base64Lines(twoLines.data, twoLines.size);
  ASSERT_EQ(76u + 2 + 76 + 2, encoded.size());
  EXPECT_EQ("\r\n", encoded.substr(76, 2));
  EXPECT_EQ("\r\n", encoded.substr(154, 2));
  // Every value reads back.
  for (DWORD size : {0u, 1u, 2u, 56u, 57u, 58u, 59u, 1000u}) {
    const CSecureBuffer value = Counting(size);
    CSecureBuffer decoded;
    ASSERT_TRUE(DecodeBase64(Base64Lines(value.data, value.size), decoded)) << size;
    EXPECT_TRUE(decoded == value) << size;
  }
}

TEST(VaultParametersTest, EncodesTheSequenceOfTheCall) {
  CSecureBuffer elements;
  const char16_t pin[] = {u'1', u'2', 0x00FC, 0xD83D, 0xDE00};  // "12ü😀"
  CSecureBuffer pinUnits(sizeof pin, pin);
  ASSERT_TRUE(AppendIa5String(WString(), elements));  // an empty alias is an empty IA5String
  ASSERT_TRUE(AppendUtf8String(pinUnits, elements));
  ASSERT_TRUE(AppendOctetString(Counting(2), elements));
  CSecureBuffer sequence;
  ASSERT_TRUE(WrapSequence(elements, sequence));
  EXPECT_EQ(
      "3010"
      "1600"
      "0c08"
      "3132c3bcf09f9880"
      "04020001",
      Hex(sequence));

  CSecureBuffer unchanged(1);
  const WString umlaut(1, static_cast<WString::value_type>(0xE4));
  EXPECT_FALSE(AppendIa5String(umlaut, unchanged));
  const char16_t lonely[] = {0xD83D, u'a'};
  EXPECT_FALSE(AppendUtf8String(CSecureBuffer(sizeof lonely, lonely), unchanged));
  EXPECT_EQ(1u, unchanged.size);
}

std::string Answer(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><S:Envelope "
         "xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<S:Header><x:a xmlns:x=\"urn:x\"><b>ignored</b></x:a></S:Header><S:Body>" +
         body + "</S:Body></S:Envelope>";
}

TEST(VaultResponseTest, ReadsTheFieldsOfTheResponseElement) {
  CVaultResponseFields fields;
  ASSERT_TRUE(ParseVaultResponse(
      Answer("<ns2:VerifyPinResponse xmlns:ns2=\"urn:any/\">\n <status>INVALID_&#80;IN</status>"
             "<ns2:remainingTries> 2 </ns2:remainingTries><signature>AAEC\r\nAw==</signature><empty/>"
             "<cdata><![CDATA[a<b]]>&amp;c</cdata></ns2:VerifyPinResponse>"),
      fields));
  EXPECT_EQ("INVALID_PIN", fields.Text("status"));
  std::int32_t tries = 0;
  ASSERT_TRUE(fields.Int32("remainingTries", tries));
  EXPECT_EQ(2, tries);
  CSecureBuffer bytes;
  ASSERT_TRUE(fields.Bytes("signature", bytes));
  EXPECT_EQ("00010203", Hex(bytes));
  EXPECT_TRUE(fields.Has("empty"));
  EXPECT_EQ("a<b&c", fields.Text("cdata"));
  ASSERT_TRUE(fields.Bytes("absent", bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(VaultResponseTest, RefusesMalformedOrUnboundedAnswers) {
  const std::string many = [] {
    std::string fields;
    for (int i = 0; i < 17; ++i) fields += "<f" + std::to_string(i) + ">1</f" + std::to_string(i) + ">";
    return fields;
  }();
  const std::string cases[] = {
      "",
      "<Envelope><Body><R/></Body></Envelope>",  // not the SOAP namespace
      Answer(""),                                // no response element
      Answer("<R><status>OK</status></R><R/>"),  // two of them
      Answer("<R><status><b>OK</b></status></R>"),
      Answer("<R><status>OK</statu></R>"),
      Answer("<R><status>&bogus;</status></R>"),
      Answer("<R><status>&#0;</status></R>"),
      Answer("<R><status>OK</status></R>") + "<extra/>",
      Answer("<R>" + many + "</R>"),
      "<!DOCTYPE x [<!ENTITY a \"b\">]>" + Answer("<R/>"),
      Answer("<R><status>OK</status>"),
      Answer("<R><status a=\"1></status></R>"),
      Answer("<R>text<status>OK</status></R>"),
      Answer("<p:R><status>OK</status></p:R>"),  // an undeclared prefix
  };
  for (const std::string& body : cases) {
    CVaultResponseFields fields;
    EXPECT_FALSE(ParseVaultResponse(body, fields)) << body;
    EXPECT_FALSE(fields.Has("status"));
  }
  CVaultResponseFields fields;
  ASSERT_TRUE(ParseVaultResponse(Answer("<R><n>2147483648</n><m>-2147483648</m><b>AA=A</b></R>"), fields));
  std::int32_t value = 0;
  EXPECT_FALSE(fields.Int32("n", value));
  EXPECT_TRUE(fields.Int32("m", value));
  CSecureBuffer bytes;
  EXPECT_FALSE(fields.Bytes("b", bytes));
}

TEST(VaultStatusTest, MapsTheStatusStringsWithoutRegardToCase) {
  struct Case {
    const char* text;
    bool known;
    int code;
  } cases[] = {{"INVALID_PIN", true, 1},
               {"blocked", true, 2},
               {"Invalid_Key_Usage", true, 3},
               {"PIN_POLICY_VIOLATION", true, 4},
               {"OK", false, 0},
               {"INVALID_PIN ", false, 0},
               {"", false, 0},
               {"UNKNOWN", false, 0}};
  for (const Case& c : cases) {
    int code = -1;
    EXPECT_EQ(c.known, ParseVaultStatus(c.text, code)) << c.text;
    if (c.known) {
      EXPECT_EQ(c.code, code) << c.text;
    }
  }
  EXPECT_TRUE(IsVaultStatusOk("ok"));
  EXPECT_TRUE(IsVaultStatusOk("Ok"));
  EXPECT_FALSE(IsVaultStatusOk("okay"));
}

}  // namespace
}  // namespace luma::service
