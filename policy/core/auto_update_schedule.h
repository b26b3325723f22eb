// Dates of the automatic provisioning and refresh: calendar dates as OLE dates use them (days since
// 1899-12-30 00:00 UTC, with a validity status) and the test whether an interval has passed.
#ifndef LUMA_POLICY_CORE_AUTO_UPDATE_SCHEDULE_H_
#define LUMA_POLICY_CORE_AUTO_UPDATE_SCHEDULE_H_

#include "foundation/core/platform.h"
#include "policy/core/timed_cache.h"

struct COleDate {
  double days = 0;  // day 0 is 1899-12-30 00:00
  bool valid = true;
};

namespace luma::policy {

// Invalid outside the years 100 to 9999.
COleDate OleDateFromTime(luma::CacheTime time);

// now > last + intervalSeconds; false when either date or the sum is invalid.
bool IsIntervalPast(const COleDate& now, const COleDate& last, DWORD intervalSeconds);

// The interval of automatic provisioning when the refresh interval is 0.
constexpr DWORD kDefaultAutoProvisionInterval = 14400;

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_AUTO_UPDATE_SCHEDULE_H_
