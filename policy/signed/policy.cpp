#include "policy/signed/policy.h"

#include "foundation/win/windows_exception.h"
#include "policy/core/name_constraint.h"
#include "policy/core/policy_decoder.h"
#include "policy/core/policy_exception.h"
#include "policy/signed/policy_time.h"
#include "policy/signed/policy_verifier.h"

CPolicy::CPolicy() : version(0), thisUpdate(), nextUpdate(), persistent(false) {}

CPolicy::CPolicy(const CPolicyProviderSettings& provider, const std::list<CSecureBuffer>& trustedSigners,
                 const CSecureBuffer& encoded)
    : raw(encoded),
      providerName(provider.providerName),
      version(0),
      thisUpdate(),
      nextUpdate(),
      persistent(false) {
  CSecureBuffer content;
  try {
    luma::policy::VerifySignedPolicy(provider, encoded, trustedSigners, content);
  } catch (const CWindowsException& error) {
    throw CPolicyException(error.GetErrorText());
  }
  const luma::policy::PolicyFields fields = luma::policy::DecodePolicy(content);
  version = fields.version;
  thisUpdate = luma::policy::TicksToFileTime(fields.thisUpdate);
  nextUpdate = luma::policy::TicksToFileTime(fields.nextUpdate);
  issuerId = fields.issuerId;
  issuerIcon = fields.issuerIcon;
  issuerEncCert = fields.issuerEncCert;
  userId = fields.userId;
  userFriendlyName = fields.userFriendlyName;
  constraints = CPolicyConstraints(fields.constraints);
  accountKey = luma::policy::MakeAccountKey(providerName, userId);
  for (const CSecureBuffer& encodedCertificatePolicy : fields.certificatePolicies) {
    certificatePolicies.push_back(std::make_shared<CCertificatePolicy>(accountKey, encodedCertificatePolicy));
  }
}

bool CPolicy::IsSameContent(const CPolicy& other, bool& sameThisUpdate) const {
  sameThisUpdate = false;
  if (raw == other.raw) {
    sameThisUpdate = true;
    return true;
  }
  bool same =
      providerName == other.providerName && accountKey == other.accountKey && version == other.version &&
      CompareFileTime(&nextUpdate, &other.nextUpdate) == 0 && issuerId == other.issuerId &&
      issuerIcon == other.issuerIcon && issuerEncCert == other.issuerEncCert && userId == other.userId &&
      userFriendlyName == other.userFriendlyName && constraints.version == other.constraints.version &&
      constraints.domain == other.constraints.domain && constraints.hostname == other.constraints.hostname &&
      certificatePolicies.size() == other.certificatePolicies.size();
  for (size_t i = 0; same && i < certificatePolicies.size(); ++i) {
    same = *certificatePolicies[i] == *other.certificatePolicies[i];
  }
  sameThisUpdate = CompareFileTime(&thisUpdate, &other.thisUpdate) == 0;
  return same;
}

bool CPolicy::IsOutdated() const { return luma::policy::IsPast(nextUpdate); }

int CPolicy::GetDaysUntilNextUpdate() const { return luma::policy::DaysUntil(nextUpdate); }
