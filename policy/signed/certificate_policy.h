// One certificate of an account's policy with its PIN rules, process constraints, type and the
// certificate itself. Held through shared references.
#ifndef LUMA_POLICY_SIGNED_CERTIFICATE_POLICY_H_
#define LUMA_POLICY_SIGNED_CERTIFICATE_POLICY_H_

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/win/certificate_descriptor.h"
#include "policy/core/certificate_type.h"
#include "policy/signed/certificate_constraints.h"
#include "policy/signed/pin_policy.h"

class CCertificatePolicy {
 public:
  CCertificatePolicy() = default;
  // Decodes a CertificatePolicy element of the account (throws CPolicyException); derives the key
  // container name and the descriptor from the certificate and starts enabled.
  CCertificatePolicy(const std::wstring& accountKey, const CSecureBuffer& encoded);
  CCertificatePolicy(const CCertificatePolicy& other) = default;
  CCertificatePolicy& operator=(const CCertificatePolicy& other) = default;
  virtual ~CCertificatePolicy() = default;

  // Every field but enabled, the certificates' DER bytes included.
  bool operator==(const CCertificatePolicy& other) const;
  bool operator!=(const CCertificatePolicy& other) const { return !(*this == other); }

  // Whole days until the certificate's NotAfter time, negative once it has expired.
  std::int64_t GetDaysUntilExpiry() const;
  bool IsPinChangeDueBeforeExpiry() const;
  CSecureBuffer GetEncodedCertificate() const { return descriptor.GetEncodedCertificate(); }

  std::int32_t version = 0;
  std::wstring accountKey;
  std::wstring alias;
  std::wstring friendlyName;
  CPinPolicy pinPolicy;
  std::wstring policyNotification;
  CCertificateConstraints constraints;
  CCertificateType certificateType;
  CCertificateDescriptor descriptor;
  std::wstring containerName;
  bool enabled = false;
};

using CCertificatePolicyPtr = std::shared_ptr<CCertificatePolicy>;

#endif  // LUMA_POLICY_SIGNED_CERTIFICATE_POLICY_H_
