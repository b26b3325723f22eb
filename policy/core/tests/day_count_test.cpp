#include "policy/core/day_count.h"

#include <gtest/gtest.h>

namespace {

using luma::policy::CalendarTime;

CalendarTime At(int year, int month, int day, int hour, int minute, int second) {
  CalendarTime c;
  c.year = year;
  c.month = month;
  c.day = day;
  c.hour = hour;
  c.minute = minute;
  c.second = second;
  return c;
}

TEST(DayCountTest, DifferenceIsRoundedHalfASecondAwayAndTruncated) {
  struct Case {
    CalendarTime target, present;
    int days;
  } cases[] = {
      {At(2026, 12, 11, 12, 0, 0), At(2026, 12, 10, 12, 0, 0), 1},
      {At(2026, 12, 11, 11, 59, 59), At(2026, 12, 10, 12, 0, 0), 0},
      {At(2026, 12, 10, 0, 0, 0), At(2026, 12, 10, 12, 0, 0), 0},
      {At(2026, 12, 9, 0, 0, 0), At(2026, 12, 10, 12, 0, 0), -1},
      {At(2025, 1, 1, 0, 0, 0), At(2024, 1, 1, 0, 0, 0), 366},  // a leap year
      {At(1990, 1, 1, 0, 0, 0), At(2026, 12, 10, 0, 0, 0), -13492},
  };
  for (const Case& c : cases) EXPECT_EQ(c.days, luma::policy::DayCountBetween(c.target, c.present));
  CalendarTime almost = At(2026, 12, 11, 11, 59, 59);
  almost.milliseconds = 500;  // within half a second of a whole day
  EXPECT_EQ(1, luma::policy::DayCountBetween(almost, At(2026, 12, 10, 12, 0, 0)));
}

TEST(DayCountTest, UnreadableTargetCountsAsYear9999) {
  const CalendarTime invalid;  // all zero
  EXPECT_EQ(luma::policy::DayCountBetween(At(9999, 1, 1, 0, 0, 0), At(2026, 12, 10, 0, 0, 0)),
            luma::policy::DayCountBetween(invalid, At(2026, 12, 10, 0, 0, 0)));
}

}  // namespace
