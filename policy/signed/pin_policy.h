// Caching and change rules of a certificate's PIN.
#ifndef LUMA_POLICY_SIGNED_PIN_POLICY_H_
#define LUMA_POLICY_SIGNED_PIN_POLICY_H_

#include <windows.h>

#include <cstdint>

#include "policy/core/pin_constraints.h"
#include "policy/core/policy_decoder.h"

class CPinPolicy {
 public:
  CPinPolicy();
  // Decodes a PinPolicy element; throws CPolicyException.
  explicit CPinPolicy(const CSecureBuffer& encoded);
  explicit CPinPolicy(const luma::policy::PinPolicyFields& fields);
  CPinPolicy(const CPinPolicy& other) = default;
  CPinPolicy& operator=(const CPinPolicy& other) = default;
  virtual ~CPinPolicy() = default;

  // The certificate has no PIN: minLength and maxLength are both 0.
  bool HasNoPin() const;
  // The current PIN is the issued transport PIN: nextPinChange lies before 2000 in local time.
  bool IsTransportPin() const;
  bool IsPinChangeDue() const;
  // 2147483647 for a certificate without PIN; negative once the change date has passed.
  int GetDaysUntilPinChange() const;

  std::int32_t version;
  DWORD maxPinCacheTime;
  DWORD maxPinCacheReuse;
  FILETIME nextPinChange;
  CPinConstraints pinConstraints;
};

#endif  // LUMA_POLICY_SIGNED_PIN_POLICY_H_
