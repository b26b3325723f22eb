#include "service/core/calendar_date.h"

#include <gtest/gtest.h>

namespace {
using luma::service::CalendarDate;

TEST(CalendarDateTest, ShiftsYearsKeepingMonthAndDay) {
  struct Case {
    CalendarDate from;
    int years;
    CalendarDate to;
  } cases[] = {
      {{2026, 12, 10}, -1, {2025, 12, 10}}, {{2026, 12, 10}, 10, {2036, 12, 10}},
      {{2024, 2, 29}, -1, {2023, 2, 28}},  // the day that the other year lacks
      {{2024, 2, 29}, 10, {2034, 2, 28}},   {{2024, 2, 29}, 4, {2028, 2, 29}},
      {{2096, 2, 29}, 4, {2100, 2, 28}},  // a century that is no leap year
      {{1996, 2, 29}, 4, {2000, 2, 29}},  // one that is
      {{2023, 2, 28}, 1, {2024, 2, 28}},
  };
  for (const Case& c : cases) {
    const CalendarDate got = luma::service::ShiftYears(c.from, c.years);
    EXPECT_EQ(got.year, c.to.year) << c.from.year << "-" << c.from.month << "-" << c.from.day << " "
                                   << c.years;
    EXPECT_EQ(got.month, c.to.month);
    EXPECT_EQ(got.day, c.to.day) << c.from.year << "-" << c.from.month << "-" << c.from.day << " " << c.years;
  }
}

}  // namespace
