// Where an account may be used: the Windows domain and the computer.
#ifndef LUMA_POLICY_SIGNED_POLICY_CONSTRAINTS_H_
#define LUMA_POLICY_SIGNED_POLICY_CONSTRAINTS_H_

#include <cstdint>
#include <string>

#include "policy/core/policy_decoder.h"

class CPolicyConstraints {
 public:
  CPolicyConstraints() = default;
  // Decodes a PolicyConstraints element; throws CPolicyException.
  explicit CPolicyConstraints(const CSecureBuffer& encoded);
  explicit CPolicyConstraints(const luma::policy::PolicyConstraintsFields& fields);
  CPolicyConstraints(const CPolicyConstraints& other) = default;
  CPolicyConstraints& operator=(const CPolicyConstraints& other) = default;
  virtual ~CPolicyConstraints() = default;

  // Empty constraint, or the computer's joined domain / NetBIOS name apart from ASCII case.
  bool IsDomainAllowed() const;
  bool IsHostAllowed() const;

  std::int32_t version = 0;
  std::wstring domain;
  std::wstring hostname;
};

#endif  // LUMA_POLICY_SIGNED_POLICY_CONSTRAINTS_H_
