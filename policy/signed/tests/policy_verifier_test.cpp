#include "policy/signed/policy_verifier.h"

#include <gtest/gtest.h>

#include "foundation/core/string_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/core/policy_content_type.h"
#include "policy/core/policy_exception.h"
#include "policy/core/tests/policy_fixtures.h"

namespace {

std::list<CSecureBuffer> TrustedSigners() { return {ReadPolicyFixture("policy_ca.der")}; }

// The verification's error text; empty when the message verified.
std::wstring VerifyError(const std::string& fixture, const std::list<CSecureBuffer>& trusted,
                         const CPolicyProviderSettings& settings = CPolicyProviderSettings()) {
  CSecureBuffer content;
  try {
    luma::policy::VerifySignedPolicy(settings, ReadPolicyFixture(fixture), trusted, content);
  } catch (const CPolicyException& error) {
    return error.GetMessage();
  }
  return std::wstring();
}

const std::wstring kUntrustedRoot = luma::FormatSystemErrorMessage(0x800B0109, false);

TEST(PolicyVerifierTest, ContentTypeOfSignedMessages) {
  EXPECT_EQ(luma::NarrowToWide(luma::policy::kPolicyContentType),
            luma::policy::GetSignedContentType(ReadPolicyFixture("valid.p7")));
  EXPECT_EQ(L"1.2.840.113549.1.7.1", luma::policy::GetSignedContentType(ReadPolicyFixture("data_type.p7")));
  EXPECT_EQ(L"", luma::policy::GetSignedContentType(ReadPolicyFixture("not_a_message.p7")));
  EXPECT_EQ(L"", luma::policy::GetSignedContentType(CSecureBuffer()));
}

TEST(PolicyVerifierTest, TrustedPolicyGivesItsContentWithoutOctetStringWrapping) {
  // hand_signed.p7 carries signed attributes built by the fixture generator, not by OpenSSL's CMS code.
  for (const char* fixture : {"valid.p7", "valid_with_ca.p7", "hand_signed.p7"}) {
    CSecureBuffer content;
    EXPECT_EQ(L"", VerifyError(fixture, TrustedSigners())) << fixture;
    luma::policy::VerifySignedPolicy(CPolicyProviderSettings(), ReadPolicyFixture(fixture), TrustedSigners(),
                                     content);
    EXPECT_EQ(ReadPolicyFixture("valid.der"), content) << fixture;
  }
}

// Only the signed content-type attribute says what the signer signed; the outer type can be changed
// by anyone. Each of these carries the policy's outer type and a valid signature of a trusted signer.
TEST(PolicyVerifierTest, SignedContentTypeMustBeThePolicyType) {
  for (const char* fixture : {"data_relabelled.p7", "no_content_type.p7", "two_content_types.p7",
                              "two_content_type_values.p7", "valid_noattr.p7", "empty_attributes.p7"}) {
    EXPECT_EQ(luma::NarrowToWide(luma::policy::kPolicyContentType),
              luma::policy::GetSignedContentType(ReadPolicyFixture(fixture)))
        << fixture;
    EXPECT_EQ(L"Unexpected content type for policy", VerifyError(fixture, TrustedSigners())) << fixture;
  }
}

TEST(PolicyVerifierTest, RejectedMessages) {
  struct Case {
    const char* fixture;
    std::wstring message;  // empty: any system text
  } cases[] = {
      {"data_type.p7", L"Unexpected content type for policy"},
      {"not_a_message.p7", L"Unexpected content type for policy"},
      {"untrusted.p7", kUntrustedRoot},
      {"forged.p7", kUntrustedRoot},  // names the trusted CA as issuer, signed by another key
      {"tampered_signature.p7", L""},
      {"tampered_digest.p7", L""},
      {"tampered_content.p7", L""},  // the content's digest no longer matches the signed one
      {"no_digest.p7", L""},         // signed attributes without a digest bind no content
  };
  for (const Case& c : cases) {
    const std::wstring error = VerifyError(c.fixture, TrustedSigners());
    EXPECT_FALSE(error.empty()) << c.fixture;
    if (!c.message.empty()) {
      EXPECT_EQ(c.message, error) << c.fixture;
    }
  }
}

TEST(PolicyVerifierTest, UnreadableTrustedCertificateVerifiesNothing) {
  const std::list<CSecureBuffer> trusted = {CSecureBuffer(3, "bad"), ReadPolicyFixture("other_ca.der"),
                                            ReadPolicyFixture("policy_ca.der")};
  EXPECT_EQ(L"", VerifyError("valid.p7", trusted));
  EXPECT_EQ(kUntrustedRoot, VerifyError("valid.p7", {CSecureBuffer(3, "bad")}));
}

TEST(PolicyVerifierTest, TrustedSignersTakePrecedenceOverTheFilter) {
  CPolicyProviderSettings settings;
  settings.signerFilter = [](PCCERT_CONTEXT) { return true; };
  EXPECT_EQ(kUntrustedRoot, VerifyError("untrusted.p7", TrustedSigners(), settings));
}

TEST(PolicyVerifierTest, SignerFilterWithoutTrustedSigners) {
  CPolicyProviderSettings settings;
  EXPECT_EQ(kUntrustedRoot, VerifyError("valid.p7", {}, settings));  // the filter holds no condition

  bool filterSawSigner = false;
  settings.signerFilter = [&filterSawSigner](PCCERT_CONTEXT signer) {
    filterSawSigner = signer != nullptr;
    return false;
  };
  EXPECT_EQ(kUntrustedRoot, VerifyError("valid.p7", {}, settings));
  EXPECT_TRUE(filterSawSigner);

  settings.signerFilter = [](PCCERT_CONTEXT) { return true; };
  EXPECT_EQ(L"", VerifyError("untrusted.p7", {}, settings));  // no chain validation asked for

  // The signer's CA is in no trusted root store: with chain validation it is refused.
  settings.signerValidationPolicy = CPolicyProviderSettings::kValidateChain;
  const std::wstring error = VerifyError("untrusted.p7", {}, settings);
  EXPECT_FALSE(error.empty());
  EXPECT_NE(luma::FormatSystemErrorMessage(0, false), error);
}

}  // namespace
