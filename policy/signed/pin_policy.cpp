#include "policy/signed/pin_policy.h"

#include <limits>

#include "policy/signed/policy_time.h"

CPinPolicy::CPinPolicy() : version(0), maxPinCacheTime(0), maxPinCacheReuse(0), nextPinChange() {}

CPinPolicy::CPinPolicy(const CSecureBuffer& encoded) : CPinPolicy(luma::policy::DecodePinPolicy(encoded)) {}

CPinPolicy::CPinPolicy(const luma::policy::PinPolicyFields& fields)
    : version(fields.version),
      maxPinCacheTime(fields.maxPinCacheTime),
      maxPinCacheReuse(fields.maxPinCacheReuse),
      nextPinChange(luma::policy::TicksToFileTime(fields.nextPinChange)),
      pinConstraints(fields.pinConstraints) {}

bool CPinPolicy::HasNoPin() const { return pinConstraints.minLength == 0 && pinConstraints.maxLength == 0; }

bool CPinPolicy::IsTransportPin() const {
  luma::policy::CalendarTime local;
  return luma::policy::FileTimeToLocalCalendar(nextPinChange, local) && local.year < 2000;
}

bool CPinPolicy::IsPinChangeDue() const { return !HasNoPin() && luma::policy::IsPast(nextPinChange); }

int CPinPolicy::GetDaysUntilPinChange() const {
  return HasNoPin() ? std::numeric_limits<int>::max() : luma::policy::DaysUntil(nextPinChange);
}
