// Whole-year steps on a calendar date, for the validity bounds of a certificate made today.
#ifndef LUMA_SERVICE_CORE_CALENDAR_DATE_H_
#define LUMA_SERVICE_CORE_CALENDAR_DATE_H_

namespace luma {
namespace service {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to the length of the month
};

// The same month and day `years` later (earlier when negative). A 29 February that the target
// year lacks becomes 28 February, so the bound never moves into the next month.
CalendarDate ShiftYears(const CalendarDate& date, int years);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_CALENDAR_DATE_H_
