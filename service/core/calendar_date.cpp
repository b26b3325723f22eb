#include "service/core/calendar_date.h"

namespace luma {
namespace service {

namespace {
bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
}  // namespace

CalendarDate ShiftYears(const CalendarDate& date, int years) {
  CalendarDate shifted = date;
  shifted.year += years;
  if (shifted.month == 2 && shifted.day == 29 && !IsLeapYear(shifted.year)) shifted.day = 28;
  return shifted;
}

}  // namespace service
}  // namespace luma
