#include "policy/core/auto_update_schedule.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Days from 1601-01-01 to 1899-12-30.
constexpr double kDaysBeforeOleEpoch = 109205.0;
// The range of OLE dates: 0100-01-01 to 9999-12-31 (the end of its last day).
constexpr double kMinDays = -657434.0;
constexpr double kMaxDays = 2958466.0;
// Spans longer than this are invalid.
constexpr double kMaxSpanDays = 3615897.0;

bool InRange(double days) { return days >= kMinDays && days < kMaxDays; }

}  // namespace

namespace luma::policy {

COleDate OleDateFromTime(luma::CacheTime time) {
  COleDate date;
  date.days =
      static_cast<double>(time / luma::kCacheTicksPerSecond) / kSecondsPerDay - kDaysBeforeOleEpoch +
      static_cast<double>(time % luma::kCacheTicksPerSecond) / luma::kCacheTicksPerSecond / kSecondsPerDay;
  date.valid = InRange(date.days);
  return date;
}

bool IsIntervalPast(const COleDate& now, const COleDate& last, DWORD intervalSeconds) {
  const double span = intervalSeconds / kSecondsPerDay;
  if (!now.valid || !last.valid || span > kMaxSpanDays) return false;
  const double due = last.days + span;
  return InRange(due) && now.days > due;
}

}  // namespace luma::policy
