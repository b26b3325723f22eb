// The processes that may use a certificate's key.
#ifndef LUMA_POLICY_SIGNED_CERTIFICATE_CONSTRAINTS_H_
#define LUMA_POLICY_SIGNED_CERTIFICATE_CONSTRAINTS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "policy/core/policy_decoder.h"

class CCertificateConstraints {
 public:
  CCertificateConstraints() = default;
  // Decodes a CertificateConstraints element (throws CPolicyException); the patterns are expanded
  // for environment variables.
  explicit CCertificateConstraints(const CSecureBuffer& encoded);
  explicit CCertificateConstraints(const luma::policy::CertificateConstraintsFields& fields);
  CCertificateConstraints(const CCertificateConstraints& other) = default;
  CCertificateConstraints& operator=(const CCertificateConstraints& other) = default;
  virtual ~CCertificateConstraints() = default;

  // True without patterns, or when any pattern matches the path (PathMatchSpecW).
  bool IsProcessAllowed(const std::wstring& processPath) const;

  std::int32_t version = 0;
  std::vector<std::wstring> processNames;
};

#endif  // LUMA_POLICY_SIGNED_CERTIFICATE_CONSTRAINTS_H_
