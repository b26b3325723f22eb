#include "policy/signed/policy.h"

#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"
#include "policy/core/policy_exception.h"
#include "policy/core/tests/policy_fixtures.h"

namespace {

CPolicyProviderSettings Provider() {
  CPolicyProviderSettings provider;
  provider.providerName = L"Corp";
  return provider;
}

std::list<CSecureBuffer> TrustedSigners() { return {ReadPolicyFixture("policy_ca.der")}; }

CPolicyPtr Decode(const std::string& fixture) {
  return std::make_shared<CPolicy>(Provider(), TrustedSigners(), ReadPolicyFixture(fixture));
}

TEST(PolicyTest, ValidPolicyDecodesToItsObjects) {
  const CPolicyPtr policy = Decode("valid.p7");
  EXPECT_EQ(ReadPolicyFixture("valid.p7"), policy->raw);
  EXPECT_EQ(L"Corp", policy->providerName);
  EXPECT_EQ(L"corp/alice.\u00D6rn", policy->accountKey);
  EXPECT_EQ(L"Alice.\u00D6rn", policy->userId);
  EXPECT_EQ(L"Alice Example Account", policy->userFriendlyName);
  EXPECT_EQ(L"Example Issuer", policy->issuerId);
  EXPECT_EQ(ReadPolicyFixture("service_cert.der"), policy->issuerEncCert);
  EXPECT_FALSE(policy->persistent);
  EXPECT_FALSE(policy->IsOutdated());
  EXPECT_TRUE(policy->constraints.IsDomainAllowed());
  EXPECT_TRUE(policy->constraints.IsHostAllowed());
  ASSERT_EQ(2u, policy->certificatePolicies.size());

  const CCertificatePolicy& sign = *policy->certificatePolicies[0];
  const CSecureBuffer signCertificate = ReadPolicyFixture("signature_cert.der");
  EXPECT_EQ(policy->accountKey, sign.accountKey);
  EXPECT_EQ(L"alice-sign", sign.alias);
  EXPECT_EQ(L"Alice signature", sign.friendlyName);
  EXPECT_EQ(L"Sign with care", sign.policyNotification);
  EXPECT_TRUE(sign.enabled);
  EXPECT_EQ(luma::Sha1GuidString(signCertificate), sign.containerName);
  EXPECT_EQ(36u, sign.containerName.size());
  EXPECT_EQ(signCertificate, sign.GetEncodedCertificate());
  EXPECT_EQ(sign.containerName, sign.descriptor.containerName);
  EXPECT_EQ(300u, sign.pinPolicy.maxPinCacheTime);
  EXPECT_TRUE(sign.pinPolicy.IsTransportPin());  // nextPinChange 1990
  EXPECT_TRUE(sign.pinPolicy.IsPinChangeDue());
  ASSERT_EQ(2u, sign.constraints.processNames.size());
  EXPECT_EQ(luma::ExpandEnvironmentText(L"%SystemRoot%\\notepad.exe"), sign.constraints.processNames[0]);
  EXPECT_EQ(std::wstring::npos, sign.constraints.processNames[0].find(L'%'));
  EXPECT_TRUE(sign.certificateType.flags[CCertificateType::kQualifiedSignature]);
  EXPECT_TRUE(sign.certificateType.flags[CCertificateType::kStandardSignature]);
  EXPECT_FALSE(sign.certificateType.flags[CCertificateType::kEncryption]);

  const CCertificatePolicy& crypt = *policy->certificatePolicies[1];
  EXPECT_EQ(L"alice-crypt", crypt.alias);
  EXPECT_TRUE(crypt.pinPolicy.HasNoPin());
  EXPECT_TRUE(crypt.certificateType.flags[CCertificateType::kEncryption]);
  EXPECT_TRUE(crypt.constraints.IsProcessAllowed(L"C:\\any\\program.exe"));
  EXPECT_EQ(ReadPolicyFixture("encryption_cert.der"), crypt.GetEncodedCertificate());
}

TEST(PolicyTest, EveryMalformedPolicyGivesItsMessage) {
  const std::vector<MalformedPolicy> cases = ReadMalformedPolicies();
  ASSERT_GE(cases.size(), 60u);
  for (const MalformedPolicy& malformed : cases) {
    std::wstring error;
    try {
      Decode(malformed.name + ".p7");
    } catch (const CPolicyException& exception) {
      error = exception.GetMessage();
    }
    EXPECT_EQ(std::wstring(malformed.message.begin(), malformed.message.end()), error) << malformed.name;
  }
}

TEST(PolicyTest, UntrustedPolicyIsNotConstructed) {
  EXPECT_THROW(Decode("untrusted.p7"), CPolicyException);
  EXPECT_THROW(Decode("tampered_content.p7"), CPolicyException);
}

TEST(PolicyTest, SameContent) {
  const CPolicyPtr policy = Decode("valid.p7");
  bool sameThisUpdate = false;
  EXPECT_TRUE(policy->IsSameContent(*Decode("valid.p7"), sameThisUpdate));
  EXPECT_TRUE(sameThisUpdate);

  // Signed again (other raw bytes), same content.
  const CPolicyPtr resigned = Decode("valid_with_ca.p7");
  ASSERT_NE(policy->raw, resigned->raw);
  EXPECT_TRUE(policy->IsSameContent(*resigned, sameThisUpdate));
  EXPECT_TRUE(sameThisUpdate);

  EXPECT_TRUE(policy->IsSameContent(*Decode("reissued.p7"), sameThisUpdate));
  EXPECT_FALSE(sameThisUpdate);

  CPolicy otherUser(*resigned);
  otherUser.userFriendlyName = L"Bob";
  EXPECT_FALSE(policy->IsSameContent(otherUser, sameThisUpdate));
  EXPECT_TRUE(sameThisUpdate);

  CPolicy disabled(*resigned);
  disabled.certificatePolicies[0] = std::make_shared<CCertificatePolicy>(*disabled.certificatePolicies[0]);
  disabled.certificatePolicies[0]->enabled = false;  // not part of the content
  EXPECT_TRUE(policy->IsSameContent(disabled, sameThisUpdate));

  CPolicy otherAlias(disabled);
  otherAlias.certificatePolicies[1] =
      std::make_shared<CCertificatePolicy>(*otherAlias.certificatePolicies[1]);
  otherAlias.certificatePolicies[1]->alias = L"other";
  EXPECT_FALSE(policy->IsSameContent(otherAlias, sameThisUpdate));

  CPolicy fewer(*resigned);
  fewer.certificatePolicies.pop_back();
  EXPECT_FALSE(policy->IsSameContent(fewer, sameThisUpdate));
}

TEST(PolicyTest, CopiesShareTheirCertificatePolicies) {
  const CPolicyPtr policy = Decode("valid.p7");
  CPolicy copy(*policy);
  EXPECT_EQ(policy->certificatePolicies[0].get(), copy.certificatePolicies[0].get());
  CPolicy assigned;
  assigned = copy;
  assigned = assigned;
  EXPECT_EQ(policy->raw, assigned.raw);
  EXPECT_EQ(policy->certificatePolicies[1].get(), assigned.certificatePolicies[1].get());
}

TEST(PolicyTest, OutdatedPolicy) {
  const CPolicyPtr outdated = Decode("outdated.p7");
  EXPECT_TRUE(outdated->IsOutdated());
  EXPECT_LT(outdated->GetDaysUntilNextUpdate(), -365);
  EXPECT_GT(Decode("valid.p7")->GetDaysUntilNextUpdate(), 365 * 70);
}

TEST(PolicyTest, DefaultPolicyIsEmpty) {
  const CPolicy policy;
  EXPECT_TRUE(policy.raw.empty());
  EXPECT_TRUE(policy.certificatePolicies.empty());
  EXPECT_EQ(0, policy.version);
  EXPECT_FALSE(policy.persistent);
}

}  // namespace
