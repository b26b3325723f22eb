#include "policy/filters/legacy_cert_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "policy/filters/cert_wrapper.h"
#include "policy/filters/legacy_cert_filter_list.h"
#include "policy/testing/test_certificates.h"

namespace {

using Op = LegacyFilterOperator;

// The fixtures: client (RSA 2048; digitalSignature and keyEncipherment; client authentication;
// valid to 9999), server (RSA 3072; keyAgreement and decipherOnly; server, client and e-mail
// usages; expired in 2024 after a day), device (EC; no key usage, no usages; older authority key
// identifier) and old (RSA 1024; digitalSignature alone; server authentication alone; 2005 to
// mid-2008, before the 32-bit seconds count wrapped).
struct Case {
  const wchar_t* text;
  const char* matches;  // c s d o, or "-" where that certificate does not match
};

class CertFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_ = LoadTestCertificate("filter_client.der");
    server_ = LoadTestCertificate("filter_server.der");
    device_ = LoadTestCertificate("filter_device.der");
    old_ = LoadTestCertificate("filter_old.der");
    ASSERT_TRUE(client_ && server_ && device_ && old_) << TestDataPath("filter_*.der");
  }

  // Which of client, server, device and old the one item of `text` matches, as four letters.
  std::string Matches(const std::wstring& text) {
    const auto filters = luma::policy::ParseCertFilterList(text);
    EXPECT_EQ(filters.size(), 1u) << std::string(text.begin(), text.end());
    if (filters.size() != 1) return "?";
    return MatchesOf(*filters.front());
  }
  std::string MatchesOf(const CCertFilter& filter) {
    std::string result;
    const char letters[] = "csdo";
    const PCCERT_CONTEXT contexts[] = {client_.get(), server_.get(), device_.get(), old_.get()};
    for (int i = 0; i < 4; ++i) {
      CCertWrapper wrapper(contexts[i]);
      result += filter.Match(&wrapper) ? letters[i] : '-';
    }
    return result;
  }

  void ExpectCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
      const std::wstring text(c.text);
      EXPECT_EQ(Matches(text), c.matches) << std::string(text.begin(), text.end());
    }
  }

  UniqueCertContext client_, server_, device_, old_;
};

TEST_F(CertFilterTest, KeyUsageItems) {
  ExpectCases({
      {L"KU+digitalSignature", "c--o"},
      {L"KU+decipherOnly", "-s--"},
      {L"KU+keyAgreement", "-s--"},
      {L"KU-digitalSignature", "-sd-"},
      {L"KU=digitalSignature", "---o"},  // exactly that bit
      {L"KU!digitalSignature", "csd-"},  // also without the extension
      {L"KU+DIGITALSIGNATURE", "c--o"},
      {L"KU+noSuchUsage", "----"},
      {L"KU!noSuchUsage", "----"},
      {L"KU>=keyCertSign", "----"},  // ">" counts as "+", "=keyCertSign" is no keyword
  });
}

TEST_F(CertFilterTest, EnhancedKeyUsageItems) {
  ExpectCases({
      {L"EKU+id-kp-clientAuth", "cs--"},
      {L"EKU+1.3.6.1.5.5.7.3.2", "cs--"},
      {L"EKU+ID-KP-CLIENTAUTH", "cs--"},
      {L"EKU-id-kp-clientAuth", "--do"},
      {L"EKU=id-kp-clientAuth", "c---"},
      {L"EKU!id-kp-clientAuth", "---o"},  // exactly one other usage
      {L"EKU+id-kp-emailProtection", "-s--"},
      {L"EKU+1.3.6.1.5.5.7.3.99", "----"},
  });
}

TEST_F(CertFilterTest, NameAndIdentifierItems) {
  const std::wstring caKeyId = ExpectedFilterValue("skid", "filter_ca");
  ASSERT_EQ(caKeyId.size(), 40u);
  std::wstring lowerKeyId = caKeyId;
  for (auto& ch : lowerKeyId) ch = static_cast<wchar_t>(towlower(ch));
  const std::wstring akiEquals = L"AKI=" + lowerKeyId;
  const std::wstring akiIncludes = L"AKI+ " + caKeyId + L" ";
  const std::wstring akiPart = L"AKI+" + caKeyId.substr(0, 8);
  const std::wstring akiNot = L"AKI!" + caKeyId;
  ExpectCases({
      {L"SDN+client one", "c---"},
      {L"SDN+cn=", "csdo"},
      {L"SDN-O=TEST", "-sdo"},
      {L"SDN=CN=Old Signer, O=Legacy", "---o"},
      {L"SDN!CN=Old Signer, O=Legacy", "csd-"},
      {L"IDN+test filter ca", "csd-"},
      {L"IDN=cn=test filter ca, o=test, c=de", "csd-"},
      {L"IDN+", "csdo"},  // the empty text is in every name
      {akiEquals.c_str(), "cs--"},
      {akiIncludes.c_str(), "cs--"},
      {akiPart.c_str(), "----"},  // compared whole
      {akiNot.c_str(), "--do"},
      {L"AKI=0f1e2d3c4b5a6978", "--d-"},  // the older extension's key identifier
  });
}

TEST_F(CertFilterTest, LifetimeRemainingLifetimeAndKeyLengthItems) {
  ExpectCases({
      {L"CLT=1276", "---o"},  // 2005-01-01 to 2008-06-30
      {L"CLT=1", "-s--"},     // two days less one second
      {L"CLT+365", "c-do"},
      {L"CLT-2", "-s--"},
      {L"RLT+30", "c-d-"},
      {L"RLT=0", "-s-o"},  // expired; the 2008 one showed ~40,000 days with 32-bit seconds
      {L"RLT+1000", "c-d-"},
      {L"RLT!0", "c-d-"},
      {L"LEN+2048", "cs--"},
      {L"LEN=1024", "---o"},
      {L"LEN-2048", "--do"},
      {L"LEN+ 3072 bits", "-s--"},
      {L"LEN+many", "csdo"},  // no number reads as 0
      {L"LEN+-1", "----"},    // compared as unsigned
  });
}

TEST_F(CertFilterTest, ClonesKeepClassOperatorAndValue) {
  const std::wstring texts[] = {L"KU=digitalSignature",
                                L"EKU!id-kp-clientAuth",
                                L"SDN+client",
                                L"IDN-test",
                                L"UPN-nobody",
                                L"AKI!00",
                                L"CLT=1276",
                                L"RLT=0",
                                L"LEN-2048"};
  for (const auto& text : texts) {
    const auto filters = luma::policy::ParseCertFilterList(text);
    ASSERT_EQ(filters.size(), 1u);
    const auto clone = filters.front()->Clone();
    ASSERT_TRUE(clone);
    EXPECT_EQ(typeid(*clone), typeid(*filters.front())) << std::string(text.begin(), text.end());
    EXPECT_EQ(clone->Operator(), filters.front()->Operator());
    EXPECT_EQ(MatchesOf(*clone), MatchesOf(*filters.front())) << std::string(text.begin(), text.end());
  }
}

TEST_F(CertFilterTest, KeyUsageIsReadOnceIntoTheWrapperAndANullWrapperMatchesNothing) {
  const auto filters =
      luma::policy::ParseCertFilterList(L"KU+keyEncipherment;EKU-id-kp-clientAuth;SDN-x;LEN-1;RLT-1");
  ASSERT_EQ(filters.size(), 5u);
  CCertWrapper wrapper(client_.get());
  EXPECT_TRUE(filters[0]->Match(&wrapper));
  EXPECT_EQ(wrapper.GetKeyUsage(), 0xA0u);
  wrapper.SetKeyUsage(0x01);  // the cached value is what counts
  EXPECT_FALSE(filters[0]->Match(&wrapper));
  for (const auto& filter : filters) EXPECT_FALSE(filter->Match(nullptr));
}

TEST_F(CertFilterTest, UserPrincipalNameItems) {
  if (luma::policy::GetUserPrincipalName(client_.get()).empty())
    GTEST_SKIP() << "this platform reads no principal name from the alternative names";
  ExpectCases({
      {L"UPN+client.one@", "c---"},
      {L"UPN=CLIENT.ONE@CORP.EXAMPLE.TEST", "c---"},
      {L"UPN-corp", "-sdo"},
      {L"UPN!client.one@corp.example.test", "-sdo"},
  });
}

}  // namespace
