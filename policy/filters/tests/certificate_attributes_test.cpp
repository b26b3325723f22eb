#include "policy/filters/certificate_attributes.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>

#include "policy/core/compound_filter.h"
#include "policy/core/filter_messages.h"
#include "policy/core/process_filter_objects.h"
#include "policy/core/variable_provider.h"
#include "policy/filters/cert_wrapper.h"
#include "policy/filters/expression_filter_objects.h"
#include "policy/testing/test_certificates.h"

namespace {

// Whether one filter text matches each of the four fixtures.
struct MatchCase {
  const wchar_t* filter;
  bool client;  // RSA 2048, digitalSignature + keyEncipherment, clientAuth, all kinds of alternative names
  bool server;  // RSA 3072, keyAgreement + decipherOnly, three usages, expired after one day
  bool device;  // EC P-256, no key usage, older authority key identifier, valid to 2049
  bool ca;      // RSA 2048, keyCertSign + cRLSign, self-signed
};

class CertAttributeFiltersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_ = LoadTestCertificate("filter_client.der");
    server_ = LoadTestCertificate("filter_server.der");
    device_ = LoadTestCertificate("filter_device.der");
    ca_ = LoadTestCertificate("filter_ca.der");
    ASSERT_TRUE(client_ && server_ && device_ && ca_) << TestDataPath("filter_*.der");
  }

  std::unique_ptr<CCompoundFilter<CertFilterItem>> Parse(const std::wstring& text) const {
    const auto objects = luma::policy::GetCertFilterObjects();
    auto filter =
        std::make_unique<CCompoundFilter<CertFilterItem>>(objects.factory, objects.variableProvider);
    filter->Parse(text);
    return filter;
  }

  template <std::size_t N>
  void ExpectTable(const MatchCase (&cases)[N]) const {
    for (const auto& c : cases) {
      const auto filter = Parse(c.filter);
      ASSERT_TRUE(filter->ErrorText().empty()) << Narrow(c.filter) << ": " << Narrow(filter->ErrorText());
      EXPECT_EQ(filter->Match(client_.get()), c.client) << "client " << Narrow(c.filter);
      EXPECT_EQ(filter->Match(server_.get()), c.server) << "server " << Narrow(c.filter);
      EXPECT_EQ(filter->Match(device_.get()), c.device) << "device " << Narrow(c.filter);
      EXPECT_EQ(filter->Match(ca_.get()), c.ca) << "ca " << Narrow(c.filter);
    }
  }

  template <std::size_t N>
  void ExpectInvalid(const wchar_t* const (&texts)[N]) const {
    for (const wchar_t* text : texts) {
      const auto filter = Parse(text);
      // The message quotes the condition without its brackets.
      const std::wstring condition = std::wstring(text).substr(1, wcslen(text) - 2);
      EXPECT_EQ(filter->ErrorText(), luma::policy::kInvalidParameterOrOperation + condition + L"'")
          << Narrow(text);
      EXPECT_FALSE(filter->Match(client_.get())) << Narrow(text);
    }
  }

  UniqueCertContext client_, server_, device_, ca_;
};

TEST_F(CertAttributeFiltersTest, KeyUsages) {
  const MatchCase cases[] = {
      {L"(KeyUsage~=digitalSignature)", true, false, false, false},
      {L"(KeyUsage=digitalSignature)", false, false, false, false},
      {L"(KeyUsage=digitalSignature,keyEncipherment)", true, false, false, false},
      {L"(KeyUsage~=DigitalSignature, KEYENCIPHERMENT)", true, false, false, false},
      {L"(KeyUsage~=decipherOnly)", false, true, false, false},
      {L"(KeyUsage=keyAgreement,decipherOnly)", false, true, false, false},
      {L"(KeyUsage=keyCertSign,cRLSign)", false, false, false, true},
      {L"(KeyUsage=*)", false, false, false, false},  // accepted, matches nothing
      {L"(!(KeyUsage~=keyEncipherment))", false, true, true, true},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(KeyUsage~=contentCommitment)",
                                    L"(KeyUsage~=digitalSignature,,keyEncipherment)",
                                    L"(KeyUsage>=digitalSignature)", L"(KeyUsage:x~=digitalSignature)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, ExtendedKeyUsages) {
  const MatchCase cases[] = {
      {L"(ExtendedKeyUsage=id-kp-clientAuth)", true, false, false, false},
      {L"(ExtendedKeyUsage~=id-kp-clientAuth)", true, true, false, false},
      {L"(ExtendedKeyUsage~=1.3.6.1.5.5.7.3.2)", true, true, false, false},
      {L"(ExtendedKeyUsage~=ID-KP-SERVERAUTH, id-kp-emailProtection)", false, true, false, false},
      {L"(ExtendedKeyUsage=id-kp-serverAuth,id-kp-clientAuth,1.3.6.1.5.5.7.3.4)", false, true, false, false},
      {L"(ExtendedKeyUsage~=id-kp-clientAuth,,id-kp-serverAuth)", false, false, false, false},
      {L"(ExtendedKeyUsage=*)", true, true, true, true},  // also without the extension
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(ExtendedKeyUsage~=clientAuth)", L"(ExtendedKeyUsage<=1.2)",
                                    L"(ExtendedKeyUsage:x=1.2)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, KeyLengthAndType) {
  const MatchCase cases[] = {
      {L"(KeyLength>=2048)", true, true, false, true},
      {L"(KeyLength>=3072)", false, true, false, false},
      {L"(KeyLength=2048)", true, false, false, true},
      {L"(KeyLength<=256)", false, false, true, false},
      {L"(KeyType=rsa)", true, true, false, true},
      {L"(KeyType=ECC)", false, false, true, false},
      {L"(KeyType=1.2.840.10045.2.1)", false, false, true, false},
      {L"(KeyType=DSA)", false, false, false, false},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(KeyLength=*)",    L"(KeyLength~=2048)", L"(KeyLength:x>=2048)",
                                    L"(KeyLength>=big)", L"(KeyType~=RSA)",    L"(KeyType=Ed25519)",
                                    L"(KeyType:x=RSA)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, ValidityIncludingDatesBeyond2106) {
  const MatchCase cases[] = {
      // 2024-01-01 00:00:00 to 2024-01-02 23:59:59 is one whole day.
      {L"(Lifetime=1)", false, true, false, false},
      // 2020-01-01 to 9999-12-31 23:59:59 and to 2049-12-31 23:59:59.
      {L"(Lifetime=2914634)", true, false, false, false},
      {L"(Lifetime=10957)", false, false, true, false},
      {L"(Lifetime>=3650)", true, false, true, true},  // the CA: exactly 3650 days
      // The server certificate has expired; the client one runs until 9999 and must not wrap.
      {L"(RemainingLifetime=0)", false, true, false, false},
      {L"(RemainingLifetime>=2900000)", true, false, false, false},
      {L"(RemainingLifetime>=30)", true, false, true, true},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(Lifetime=*)", L"(RemainingLifetime~=1)", L"(Lifetime:days=1)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, DistinguishedNamesAndAuthorityKeyIdentifier) {
  const std::wstring caKeyId = ExpectedFilterValue("skid", "filter_ca");
  ASSERT_EQ(caKeyId.size(), 40u);
  const std::wstring akiEquals = L"(AuthorityKeyIdentifier=" + caKeyId + L")";
  std::wstring akiLower = L"(AuthorityKeyIdentifier=" + caKeyId + L")";
  for (auto& c : akiLower) c = static_cast<wchar_t>(towlower(c));
  const MatchCase cases[] = {
      {L"(SubjectDN=CN=Client One, OU=Users, O=Test, C=DE)", true, false, false, false},
      {L"(SubjectDN=cn=client one, ou=users, o=test, c=de)", false, false, false, false},  // exact
      {L"(SubjectDN~=o=test)", true, false, false, true},
      {L"(SubjectDN=*)", true, true, true, true},
      {L"(IssuerDN=CN=Test Filter CA, O=Test, C=DE)", true, true, true, true},
      {L"(IssuerDN~=other)", false, false, false, false},
      {akiEquals.c_str(), true, true, false, false},
      {akiLower.c_str(), true, true, false, false},  // upper-cased like the certificate's text
      {L"(AuthorityKeyIdentifier=0f1e2d3c4b5a6978)", false, false, true, false},
      {L"(AuthorityKeyIdentifier~=4b5a)", false, false, true, false},
      {L"(AuthorityKeyIdentifier=*)", true, true, true, false},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(SubjectDN>=a)", L"(IssuerDN:x=a)", L"(AuthorityKeyIdentifier<=a)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, AlternativeNamesBesideAPrincipalName) {
  const MatchCase cases[] = {
      {L"(SubjectAltName:upn=*)", true, false, false, false},
      {L"(SubjectAltName:UPN=client.one@corp.example.test)", true, false, false, false},
      {L"(SubjectAltName:UPN~=CORP.EXAMPLE)", true, false, false, false},
      // The e-mail and DNS names of the certificate that also holds a principal name.
      {L"(SubjectAltName:email=client.one@example.test)", true, false, false, false},
      {L"(SubjectAltName:RFC822~=@EXAMPLE.TEST)", true, false, false, false},
      {L"(SubjectAltName:mail=*)", true, false, false, false},
      // Two DNS names: EQUALS needs exactly one.
      {L"(SubjectAltName:DNS=host1.example.test)", false, false, false, false},
      {L"(SubjectAltName:DNS~=HOST1)", true, false, false, false},
      {L"(SubjectAltName:DNSName=server.example.test)", false, true, false, false},
      {L"(SubjectAltName:dns=*)", true, true, false, false},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(SubjectAltName=x)", L"(SubjectAltName:IP=x)",
                                    L"(SubjectAltName:DNS>=x)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, ExtensionsPoliciesAndTemplates) {
  const MatchCase cases[] = {
      {L"(Extension:2.5.29.19=*)", true, false, true, true},
      {L"(Extension:2.5.29.1=*)", false, false, true, false},
      {L"(Extension:1.3.6.1.4.1.311.21.7=*)", true, false, false, false},
      {L"(CertificatePolicy=1.2.3.4.5)", false, true, false, false},
      {L"(CertificatePolicy=1.3.6.1.4.1.99999.1.2, 1.2.3.4.5)", true, false, false, false},
      {L"(CertificatePolicy~=1.2.3.4.5)", true, true, false, false},
      {L"(CertificatePolicy=*)", true, true, false, false},
      {L"(CertificateTemplate=1.3.6.1.4.1.311.21.8.1234.5678)", true, false, false, false},
      {L"(CertificateTemplate~=1.3.6.1.4.1.311.21.8)", true, false, false, false},
      {L"(CertificateTemplate=*)", true, false, false, false},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(Extension:2.5.29.19=x)",         L"(Extension=*)",
                                    L"(CertificatePolicy~=anyPolicy)",  L"(CertificatePolicy>=1.2)",
                                    L"(CertificateTemplate=Webserver)", L"(CertificateTemplate:x=1.2)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, FingerprintsAndSerialNumbers) {
  std::wstring fingerprint = ExpectedFilterValue("sha1", "filter_client");
  ASSERT_EQ(fingerprint.size(), 40u);
  for (auto& c : fingerprint) c = static_cast<wchar_t>(towlower(c));
  const std::wstring byLowerCase = L"(Fingerprint=" + fingerprint + L")";
  const std::wstring byPart = L"(Fingerprint~=" + fingerprint.substr(10, 8) + L")";
  const MatchCase cases[] = {
      {byLowerCase.c_str(), true, false, false, false},      {byPart.c_str(), true, false, false, false},
      {L"(SerialNumber=00a1b2)", true, false, false, false},  // leading zero byte kept
      {L"(SerialNumber=A1B2)", false, false, false, false},  {L"(SerialNumber=01)", false, true, false, true},
      {L"(SerialNumber~=7f)", false, false, true, false},
  };
  ExpectTable(cases);
  const wchar_t* const invalid[] = {L"(Fingerprint=*)", L"(SerialNumber=*)", L"(Fingerprint>=AB)",
                                    L"(SerialNumber:x=01)"};
  ExpectInvalid(invalid);
}

TEST_F(CertAttributeFiltersTest, FactoryKnowsTheFifteenAttributesByNameInAnyCase) {
  const wchar_t* const names[] = {L"KeyUsage",
                                  L"EXTENDEDKEYUSAGE",
                                  L"keylength",
                                  L"Lifetime",
                                  L"RemainingLifetime",
                                  L"AuthorityKeyIdentifier",
                                  L"SubjectDN",
                                  L"IssuerDN",
                                  L"SubjectAltName",
                                  L"Extension",
                                  L"Fingerprint",
                                  L"SerialNumber",
                                  L"CertificatePolicy",
                                  L"CertificateTemplate",
                                  L"KeyType"};
  const auto objects = luma::policy::GetCertFilterObjects();
  for (const wchar_t* name : names) {
    EXPECT_NE(objects.factory->Create(name, L"", AttributeFilterOperator::EQUALS, L"1"), nullptr)
        << Narrow(name);
  }
  EXPECT_EQ(objects.factory->Create(L"Issuer", L"", AttributeFilterOperator::EQUALS, L"1"), nullptr);
  // The same objects on every call.
  EXPECT_EQ(luma::policy::GetCertFilterObjects().factory, objects.factory);
  EXPECT_EQ(luma::policy::GetCertFilterObjects().variableProvider, objects.variableProvider);

  const auto unknown = Parse(L"(Issuer=x)");
  EXPECT_EQ(unknown->ErrorText(), std::wstring(luma::policy::kUnsupportedAttribute) + L"Issuer'");
}

TEST_F(CertAttributeFiltersTest, ToStringAndClonesKeepTheDerivedFields) {
  const auto filter = Parse(L"(SubjectAltName:dns~=Host1)");
  ASSERT_TRUE(filter->Leaf());
  EXPECT_EQ(filter->Leaf()->ToString(), L"subjectaltname{DNS} CONTAINS Host1");
  const auto copy = filter->Leaf()->Clone();
  EXPECT_TRUE(copy->Match(client_.get()));
  EXPECT_FALSE(copy->Match(server_.get()));

  const auto usage = Parse(L"(KeyUsage=keyCertSign, cRLSign)");
  ASSERT_TRUE(usage->Leaf());
  EXPECT_TRUE(usage->Leaf()->Clone()->Match(ca_.get()));
  EXPECT_EQ(Parse(L"(KeyLength>=2048)")->Leaf()->ToString(), L"keylength GREATER_OR_EQUAL 2048");
  EXPECT_EQ(Parse(L"(KeyType=rsa)")->Leaf()->ToString(), L"keytype EQUALS 1.2.840.113549.1.1.1");
}

TEST_F(CertAttributeFiltersTest, VariablesInValuesAreResolvedBeforeTheAttributeSeesThem) {
  auto variables = std::make_shared<CMapVariableProvider>(luma::policy::kUndefinedVariableValue);
  variables->SetVariables({{L"user_upn", L"client.one@corp.example.test"}});
  const auto objects = luma::policy::GetCertFilterObjects();
  CCompoundFilter<CertFilterItem> known(objects.factory, variables);
  ASSERT_TRUE(known.Parse(L"(&(SubjectAltName:UPN={USER_UPN})(KeyUsage~=digitalSignature))"));
  EXPECT_TRUE(known.Match(client_.get()));
  EXPECT_FALSE(known.Match(server_.get()));
  // An undefined name reads as "<undef>", which no certificate carries.
  CCompoundFilter<CertFilterItem> undefined(objects.factory, variables);
  ASSERT_TRUE(undefined.Parse(L"(SubjectAltName:UPN={NO_SUCH_NAME})"));
  EXPECT_FALSE(undefined.Match(client_.get()));
}

TEST_F(CertAttributeFiltersTest, ANullCertificateMatchesNothing) {
  const wchar_t* const texts[] = {
      L"(KeyUsage=*)",          L"(ExtendedKeyUsage=*)",    L"(KeyType=RSA)",
      L"(SubjectDN=*)",         L"(SubjectAltName:UPN=*)",  L"(Extension:2.5.29.19=*)",
      L"(CertificatePolicy=*)", L"(CertificateTemplate=*)", L"(AuthorityKeyIdentifier=*)"};
  for (const wchar_t* text : texts) EXPECT_FALSE(Parse(text)->Match(nullptr)) << Narrow(text);
}

}  // namespace
