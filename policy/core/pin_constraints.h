// The rules a new PIN of a certificate must follow; minLength and maxLength both 0 mean that the
// certificate has no PIN.
#ifndef LUMA_POLICY_CORE_PIN_CONSTRAINTS_H_
#define LUMA_POLICY_CORE_PIN_CONSTRAINTS_H_

#include <cstdint>

#include "foundation/core/der_codec.h"

class CPinConstraints {
 public:
  CPinConstraints() = default;
  // Decodes a PinConstraints element; throws CPolicyException.
  explicit CPinConstraints(const CSecureBuffer& encoded);
  explicit CPinConstraints(const luma::der::Element& element);
  CPinConstraints(const CPinConstraints& other) = default;
  CPinConstraints& operator=(const CPinConstraints& other) = default;
  virtual ~CPinConstraints() = default;

  bool operator==(const CPinConstraints& other) const;
  bool operator!=(const CPinConstraints& other) const { return !(*this == other); }

  std::int32_t version = 0;
  DWORD minLength = 0;
  DWORD maxLength = 0;
  DWORD minNumericCharacters = 0;
  DWORD minSymbolCharacters = 0;
  DWORD minUpperCaseCharacters = 0;
  DWORD minLowerCaseCharacters = 0;

 private:
  void Decode(const luma::der::Element& element);
};

#endif  // LUMA_POLICY_CORE_PIN_CONSTRAINTS_H_
