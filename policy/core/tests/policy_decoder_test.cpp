#include "policy/core/policy_decoder.h"

#include <gtest/gtest.h>

#include "policy/core/policy_exception.h"
#include "policy/core/tests/policy_fixtures.h"

namespace {

using namespace luma::policy;

// The decoder's whole path over a policy's content: the policy, then each certificate policy.
WString DecodeError(const CSecureBuffer& content) {
  try {
    const PolicyFields fields = DecodePolicy(content);
    for (const CSecureBuffer& certificatePolicy : fields.certificatePolicies)
      DecodeCertificatePolicy(certificatePolicy);
  } catch (const CPolicyException& error) {
    return error.GetMessage();
  }
  return WString();
}

TEST(PolicyDecoderTest, ValidPolicyDecodesEveryElement) {
  const PolicyFields policy = DecodePolicy(ReadPolicyFixture("valid.der"));
  EXPECT_EQ(1, policy.version);
  EXPECT_EQ(WSTR("Example Issuer"), policy.issuerId);
  EXPECT_EQ(WSTR("Alice.\u00D6rn"), policy.userId);  // a UTF8String
  EXPECT_EQ(WSTR("Alice Example Account"), policy.userFriendlyName);
  EXPECT_EQ(8u, policy.issuerIcon.size);
  EXPECT_EQ(ReadPolicyFixture("service_cert.der"), policy.issuerEncCert);
  EXPECT_TRUE(policy.constraints.domain.empty());
  EXPECT_TRUE(policy.constraints.hostname.empty());
  EXPECT_EQ(TicksToCalendar(policy.thisUpdate).hour, 8);
  EXPECT_EQ(TicksToCalendar(policy.nextUpdate).year, 2099);
  ASSERT_EQ(2u, policy.certificatePolicies.size());

  const CertificatePolicyFields sign = DecodeCertificatePolicy(policy.certificatePolicies[0]);
  EXPECT_EQ(WSTR("alice-sign"), sign.alias);
  EXPECT_EQ(WSTR("Sign with care"), sign.policyNotification);
  EXPECT_EQ(300u, sign.pinPolicy.maxPinCacheTime);
  EXPECT_EQ(10u, sign.pinPolicy.maxPinCacheReuse);
  EXPECT_EQ(1990, TicksToCalendar(sign.pinPolicy.nextPinChange).year);
  EXPECT_EQ(4u, sign.pinPolicy.pinConstraints.minLength);
  EXPECT_EQ(8u, sign.pinPolicy.pinConstraints.maxLength);
  EXPECT_EQ(1u, sign.pinPolicy.pinConstraints.minNumericCharacters);
  ASSERT_EQ(2u, sign.constraints.processNames.size());
  EXPECT_EQ(WSTR("%SystemRoot%\\notepad.exe"), sign.constraints.processNames[0]);
  EXPECT_EQ(0x09u, sign.certificateType.bits);
  EXPECT_EQ(ReadPolicyFixture("signature_cert.der"), sign.certificate);

  const CertificatePolicyFields crypt = DecodeCertificatePolicy(policy.certificatePolicies[1]);
  EXPECT_EQ(WSTR("alice-crypt"), crypt.alias);
  EXPECT_TRUE(crypt.constraints.processNames.empty());
  EXPECT_TRUE(crypt.certificateType.flags[CCertificateType::kEncryption]);
}

TEST(PolicyDecoderTest, EveryMalformedFixtureGivesItsMessage) {
  const std::vector<MalformedPolicy> cases = ReadMalformedPolicies();
  ASSERT_GE(cases.size(), 60u);
  for (const MalformedPolicy& malformed : cases) {
    EXPECT_EQ(malformed.message, DecodeError(ReadPolicyFixture(malformed.name + ".der"))) << malformed.name;
  }
}

TEST(PolicyDecoderTest, BytesThatAreNoSingleElementAreNoSequence) {
  const WString notSequence = WSTR("ASN.1 Error: Malformed Policy. Element is not a SEQUENCE.");
  CSecureBuffer trailing = ReadPolicyFixture("valid.der");
  trailing.Append(1, "\0");
  EXPECT_EQ(notSequence, DecodeError(trailing));
  EXPECT_EQ(notSequence, DecodeError(CSecureBuffer()));
  const CSecureBuffer valid = ReadPolicyFixture("valid.der");
  EXPECT_EQ(notSequence, DecodeError(CSecureBuffer(valid.size - 1, valid.data)));
}

TEST(PolicyDecoderTest, PolicyConstraintsTagsAndSkippedElements) {
  struct Case {
    CSecureBuffer encoded;
    WString domain, hostname;
  } cases[] = {
      {Der(0x30, {DerInt(1), Der(0xA0, {DerIa5("DOM")}), Der(0xA1, {DerIa5("PC1")})}), WSTR("DOM"),
       WSTR("PC1")},
      {Der(0x30, {DerInt(1), Der(0xA1, {DerIa5("PC1")})}), WSTR(""), WSTR("PC1")},
      {Der(0x30, {DerInt(1), DerInt(5)}), WSTR(""), WSTR("")},
      {Der(0x30, {DerInt(1), DerInt(5), Der(0xA1, {DerIa5("PC1")})}), WSTR(""), WSTR("PC1")},
      {Der(0x30, {DerInt(1), Der(0xA0, {DerIa5("DOM")}), DerInt(5), DerInt(6)}), WSTR("DOM"), WSTR("")},
      {Der(0x30, {DerInt(1), Der(0xA0, {DerBytes(0x0C, "D\xC3\x96M")})}), WSTR("D\u00D6M"), WSTR("")},
  };
  for (const Case& c : cases) {
    const PolicyConstraintsFields fields = DecodePolicyConstraints(c.encoded);
    EXPECT_EQ(c.domain, fields.domain);
    EXPECT_EQ(c.hostname, fields.hostname);
  }
}

TEST(PolicyDecoderTest, CertificateConstraintsWithoutTagHaveNoPatterns) {
  EXPECT_TRUE(DecodeCertificateConstraints(Der(0x30, {DerInt(1), DerInt(7)})).processNames.empty());
  EXPECT_TRUE(DecodeCertificateConstraints(Der(0x30, {DerInt(1)})).processNames.empty());
  EXPECT_TRUE(
      DecodeCertificateConstraints(Der(0x30, {DerInt(1), Der(0xA0, {Der(0x30, {})})})).processNames.empty());
}

TEST(PolicyDecoderTest, CertificateTypeFlagsFollowTheBits) {
  const CCertificateType type(DerBytes(0x03, std::string("\x00\x21", 2)));
  EXPECT_EQ(0x21u, type.bits);
  const bool expected[] = {true, false, false, false, false, true};
  for (int i = 0; i < CCertificateType::kFlagCount; ++i) EXPECT_EQ(expected[i], type.flags[i]) << i;
  EXPECT_EQ(0xC0u, CCertificateType(DerBytes(0x03, std::string("\x06\xC0", 2))).bits);  // unused bits ignored
}

TEST(PolicyDecoderTest, ElementReadersFollowTheAcceptanceRules) {
  struct Case {
    CSecureBuffer encoded;
    bool integer, time, text;
  } cases[] = {
      {DerBytes(0x02, std::string("\x7F\xFF\xFF\xFF", 4)), true, false, false},
      {DerBytes(0x02, std::string("\x00\x80\x00\x00\x00", 5)), false, false, false},  // 2^31 does not fit
      {DerBytes(0x02, std::string("\x80\x00\x00\x00", 4)), true, false, false},
      {DerBytes(0x17, "261201080000Z"), false, true, false},
      {DerBytes(0x17, "2612010800Z"), false, true, false},
      {DerBytes(0x18, "20261201080000.5+0100"), false, true, false},
      {DerBytes(0x17, "261301080000Z"), false, false, false},    // month 13
      {DerBytes(0x17, "260230080000Z"), false, false, false},    // 30 February
      {DerBytes(0x18, "16001231235959Z"), false, false, false},  // before FILETIME's start
      {DerBytes(0x13, "Printable"), false, false, true},
      {DerBytes(0x1E, std::string("\x00\x41", 2)), false, false, true},
      {DerBytes(0x1C, std::string("\x00\x01\xF6\x00", 4)), false, false, true},
      {DerBytes(0x1A, "Visible"), false, false, true},
      {DerBytes(0x04, "octets"), false, false, false},
  };
  for (const Case& c : cases) {
    luma::der::Element element;
    ASSERT_TRUE(ReadWhole(c.encoded.data, c.encoded.size, element));
    std::int32_t value = 0;
    FileTimeTicks ticks = 0;
    WString text;
    EXPECT_EQ(c.integer, ReadInteger(element, value)) << int(element.tag);
    EXPECT_EQ(c.time, ReadTime(element, ticks)) << int(element.tag);
    EXPECT_EQ(c.text, ReadString(element, text)) << int(element.tag);
  }
}

TEST(PolicyDecoderTest, TimeZonesAreTakenToUtc) {
  luma::der::Element utc, offset;
  const CSecureBuffer a = DerBytes(0x17, "261201080000Z"), b = DerBytes(0x18, "20261201090000+0100");
  ASSERT_TRUE(ReadWhole(a.data, a.size, utc));
  ASSERT_TRUE(ReadWhole(b.data, b.size, offset));
  FileTimeTicks first = 0, second = 0;
  ASSERT_TRUE(ReadTime(utc, first));
  ASSERT_TRUE(ReadTime(offset, second));
  EXPECT_EQ(first, second);
  const CalendarTime calendar = TicksToCalendar(first);
  EXPECT_EQ(2026, calendar.year);
  EXPECT_EQ(12, calendar.month);
  EXPECT_EQ(1, calendar.day);
  EXPECT_EQ(8, calendar.hour);
}

}  // namespace
