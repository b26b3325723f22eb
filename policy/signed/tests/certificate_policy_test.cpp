#include "policy/signed/certificate_policy.h"

#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"
#include "policy/core/tests/policy_fixtures.h"
#include "policy/signed/policy.h"

namespace {

FILETIME DaysFromNow(double days) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  value.QuadPart += static_cast<LONGLONG>(days * 864000000000.0);
  FILETIME result;
  result.dwLowDateTime = value.LowPart;
  result.dwHighDateTime = value.HighPart;
  return result;
}

// The certificate policies of the valid fixture: a signature certificate with a PIN and an
// encryption certificate without.
std::vector<CCertificatePolicyPtr> ValidCertificatePolicies() {
  CPolicyProviderSettings provider;
  provider.providerName = L"Corp";
  return CPolicy(provider, {ReadPolicyFixture("policy_ca.der")}, ReadPolicyFixture("valid.p7"))
      .certificatePolicies;
}

TEST(CertificatePolicyTest, EqualityComparesEveryFieldButEnabled) {
  const CCertificatePolicy original = *ValidCertificatePolicies()[0];
  CCertificatePolicy other(original);
  EXPECT_TRUE(original == other);
  other.enabled = false;
  EXPECT_TRUE(original == other);

  struct Change {
    const char* name;
    void (*apply)(CCertificatePolicy&);
  } changes[] = {
      {"alias case", [](CCertificatePolicy& p) { p.alias = L"Alice-Sign"; }},
      {"account key", [](CCertificatePolicy& p) { p.accountKey += L"x"; }},
      {"cache reuse", [](CCertificatePolicy& p) { p.pinPolicy.maxPinCacheReuse++; }},
      {"pin change", [](CCertificatePolicy& p) { p.pinPolicy.nextPinChange.dwLowDateTime++; }},
      {"pin rule", [](CCertificatePolicy& p) { p.pinPolicy.pinConstraints.minLowerCaseCharacters = 3; }},
      {"notification", [](CCertificatePolicy& p) { p.policyNotification.clear(); }},
      {"process order",
       [](CCertificatePolicy& p) {
         std::swap(p.constraints.processNames[0], p.constraints.processNames[1]);
       }},
      {"type", [](CCertificatePolicy& p) { p.certificateType.bits = 0x08; }},
      {"container", [](CCertificatePolicy& p) { p.containerName = L"other"; }},
      {"certificate",
       [](CCertificatePolicy& p) {
         p.descriptor = CCertificateDescriptor(p.containerName, ReadPolicyFixture("encryption_cert.der"));
       }},
  };
  for (const Change& change : changes) {
    CCertificatePolicy changed(original);
    change.apply(changed);
    EXPECT_FALSE(original == changed) << change.name;
  }
}

TEST(CertificatePolicyTest, ProcessPatterns) {
  const CCertificatePolicy sign = *ValidCertificatePolicies()[0];
  const std::wstring notepad = luma::ExpandEnvironmentText(L"%SystemRoot%\\notepad.exe");
  struct Case {
    std::wstring path;
    bool allowed;
  } cases[] = {
      {notepad, true},
      {L"C:\\Office\\WINWORD.EXE", true},  // matched without regard to case
      {L"C:\\Office\\winword.exe.bak", false},
      {L"C:\\Windows\\calc.exe", false},
      {L"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.allowed, sign.constraints.IsProcessAllowed(c.path)) << c.path.size();
  EXPECT_TRUE(CCertificateConstraints().IsProcessAllowed(L"C:\\anything.exe"));
}

TEST(CertificatePolicyTest, DaysUntilExpiry) {
  CCertificatePolicy policy = *ValidCertificatePolicies()[0];
  EXPECT_GT(policy.GetDaysUntilExpiry(), 6000);  // valid until 2045
  TIME_ZONE_INFORMATION zone;
  const DWORD zoneKind = GetTimeZoneInformation(&zone);
  const bool utc = zone.Bias == 0 && (zoneKind != TIME_ZONE_ID_DAYLIGHT || zone.DaylightBias == 0);
  policy.descriptor = CCertificateDescriptor(L"x", ReadPolicyFixture("expired_12h.der"));
  const std::int64_t twelveHours = policy.GetDaysUntilExpiry();
  policy.descriptor = CCertificateDescriptor(L"x", ReadPolicyFixture("expired_36h.der"));
  const std::int64_t thirtySixHours = policy.GetDaysUntilExpiry();
  if (utc) {  // otherwise the local offset enters the difference
    EXPECT_EQ(0, twelveHours);
    EXPECT_EQ(-1, thirtySixHours);
  }
  EXPECT_LE(thirtySixHours, twelveHours);
}

TEST(CertificatePolicyTest, PinChangeDueBeforeExpiry) {
  const std::vector<CCertificatePolicyPtr> policies = ValidCertificatePolicies();
  CCertificatePolicy withPin = *policies[0];
  withPin.pinPolicy.nextPinChange = DaysFromNow(10.5);
  EXPECT_TRUE(withPin.IsPinChangeDueBeforeExpiry());
  withPin.pinPolicy.nextPinChange = DaysFromNow(365 * 60);  // after the certificate expires
  EXPECT_FALSE(withPin.IsPinChangeDueBeforeExpiry());

  CCertificatePolicy expired = withPin;
  expired.pinPolicy.nextPinChange = DaysFromNow(-5);
  expired.descriptor = CCertificateDescriptor(L"x", ReadPolicyFixture("expired_36h.der"));
  EXPECT_FALSE(expired.IsPinChangeDueBeforeExpiry());
  expired.certificateType.flags[CCertificateType::kEncryption] = true;  // whatever the dates
  EXPECT_TRUE(expired.IsPinChangeDueBeforeExpiry());

  CCertificatePolicy withoutPin = *policies[1];
  EXPECT_FALSE(withoutPin.IsPinChangeDueBeforeExpiry());
}

TEST(CertificatePolicyTest, DefaultCertificatePolicyIsDisabled) {
  const CCertificatePolicy policy;
  EXPECT_FALSE(policy.enabled);
  EXPECT_EQ(nullptr, policy.descriptor.GetCertificate());
  EXPECT_EQ(0, policy.GetDaysUntilExpiry());
}

}  // namespace
