// An account's signed policy, verified and decoded: the account, its issuer, the dates between
// which it is current, where it may be used and its certificates. Held through shared references.
#ifndef LUMA_POLICY_SIGNED_POLICY_H_
#define LUMA_POLICY_SIGNED_POLICY_H_

#include <windows.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy_constraints.h"
#include "policy/signed/policy_provider_settings.h"

class CPolicy {
 public:
  CPolicy();
  // Verifies the signed message against the provider's trusted signers (or its signer filter) and
  // decodes it; throws CPolicyException.
  CPolicy(const CPolicyProviderSettings& provider, const std::list<CSecureBuffer>& trustedSigners,
          const CSecureBuffer& encoded);
  // Copies share the certificate policies with their source.
  CPolicy(const CPolicy& other) = default;
  CPolicy& operator=(const CPolicy& other) = default;
  virtual ~CPolicy() = default;

  // True when both carry the same account data (thisUpdate and persistent aside); sameThisUpdate
  // tells whether thisUpdate is equal too.
  bool IsSameContent(const CPolicy& other, bool& sameThisUpdate) const;
  bool IsOutdated() const;
  // Whole days until nextUpdate, negative once outdated.
  int GetDaysUntilNextUpdate() const;

  CSecureBuffer raw;  // the signed message as received, written back unchanged
  std::wstring providerName;
  std::wstring accountKey;
  std::int32_t version;
  FILETIME thisUpdate;
  FILETIME nextUpdate;
  std::wstring issuerId;
  CSecureBuffer issuerIcon;
  CSecureBuffer issuerEncCert;
  std::wstring userId;
  std::wstring userFriendlyName;
  CPolicyConstraints constraints;
  std::vector<CCertificatePolicyPtr> certificatePolicies;
  bool persistent;
};

using CPolicyPtr = std::shared_ptr<CPolicy>;

#endif  // LUMA_POLICY_SIGNED_POLICY_H_
