#include "policy/core/auto_update_schedule.h"

#include <gtest/gtest.h>

namespace {

// 1899-12-30 00:00 UTC as 100-ns units since 1601.
constexpr luma::CacheTime kOleEpoch = 109205ULL * 86400 * luma::kCacheTicksPerSecond;

TEST(AutoUpdateSchedule, OleDatesCountDaysFrom1899) {
  EXPECT_DOUBLE_EQ(luma::policy::OleDateFromTime(kOleEpoch).days, 0.0);
  EXPECT_DOUBLE_EQ(luma::policy::OleDateFromTime(kOleEpoch + 36 * 3600 * luma::kCacheTicksPerSecond).days,
                   1.5);
  EXPECT_TRUE(luma::policy::OleDateFromTime(kOleEpoch).valid);
  EXPECT_TRUE(luma::policy::OleDateFromTime(0).valid);
  EXPECT_FALSE(
      luma::policy::OleDateFromTime(kOleEpoch + 2958466ULL * 86400 * luma::kCacheTicksPerSecond).valid)
      << "past the year 9999";
}

TEST(AutoUpdateSchedule, AnIntervalIsPastOnlyAfterItsEndAndBetweenValidDates) {
  const COleDate never;  // day 0: a context that never succeeded
  const COleDate now =
      luma::policy::OleDateFromTime(kOleEpoch + 400000ULL * 86400 * luma::kCacheTicksPerSecond);
  EXPECT_TRUE(luma::policy::IsIntervalPast(now, never, 0xFFFFFFFF));
  const COleDate last = luma::policy::OleDateFromTime(kOleEpoch + 10 * 86400 * luma::kCacheTicksPerSecond);
  const COleDate hourLater =
      luma::policy::OleDateFromTime(kOleEpoch + (10 * 86400 + 3601) * luma::kCacheTicksPerSecond);
  EXPECT_TRUE(luma::policy::IsIntervalPast(hourLater, last, 3600));
  EXPECT_FALSE(luma::policy::IsIntervalPast(hourLater, last, 3602));
  COleDate invalid = last;
  invalid.valid = false;
  EXPECT_FALSE(luma::policy::IsIntervalPast(hourLater, invalid, 0));
  EXPECT_FALSE(luma::policy::IsIntervalPast(invalid, never, 0));
}

}  // namespace
