// Decoding of the signed policy's content, element by element, with the error text of every
// malformed element (thrown as CPolicyException). The policy objects build on these values; what
// needs the system (environment expansion, certificate contexts) is left to them.
#ifndef LUMA_POLICY_CORE_POLICY_DECODER_H_
#define LUMA_POLICY_CORE_POLICY_DECODER_H_

#include <cstdint>
#include <vector>

#include "policy/core/certificate_type.h"
#include "policy/core/pin_constraints.h"
#include "policy/core/policy_der_reader.h"

namespace luma {
namespace policy {

struct PinPolicyFields {
  std::int32_t version = 0;
  DWORD maxPinCacheTime = 0;
  DWORD maxPinCacheReuse = 0;
  FileTimeTicks nextPinChange = 0;
  CPinConstraints pinConstraints;
};

struct PolicyConstraintsFields {
  std::int32_t version = 0;
  WString domain;
  WString hostname;
};

struct CertificateConstraintsFields {
  std::int32_t version = 0;
  std::vector<WString> processNames;  // as encoded, environment variables not yet expanded
};

struct CertificatePolicyFields {
  std::int32_t version = 0;
  WString alias;
  WString friendlyName;
  PinPolicyFields pinPolicy;
  WString policyNotification;
  CertificateConstraintsFields constraints;
  CCertificateType certificateType;
  CSecureBuffer certificate;
};

struct PolicyFields {
  std::int32_t version = 0;
  FileTimeTicks thisUpdate = 0;
  FileTimeTicks nextUpdate = 0;
  WString issuerId;
  CSecureBuffer issuerIcon;
  CSecureBuffer issuerEncCert;
  WString userId;
  WString userFriendlyName;
  PolicyConstraintsFields constraints;
  // The encoding of each CertificatePolicy, in order; each is decoded with the account key.
  std::vector<CSecureBuffer> certificatePolicies;
};

// Each decodes one encoded element and throws CPolicyException when it is malformed. An encoding
// that is not exactly one DER element counts as an element of the wrong type.
PolicyFields DecodePolicy(const CSecureBuffer& encoded);
PolicyConstraintsFields DecodePolicyConstraints(const CSecureBuffer& encoded);
CertificatePolicyFields DecodeCertificatePolicy(const CSecureBuffer& encoded);
PinPolicyFields DecodePinPolicy(const CSecureBuffer& encoded);
CertificateConstraintsFields DecodeCertificateConstraints(const CSecureBuffer& encoded);

}  // namespace policy
}  // namespace luma

#endif  // LUMA_POLICY_CORE_POLICY_DECODER_H_
