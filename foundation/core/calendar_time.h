// Calendar fields of a point in time, as the system's clock and the DER time types give them.
#ifndef LUMA_FOUNDATION_CORE_CALENDAR_TIME_H_
#define LUMA_FOUNDATION_CORE_CALENDAR_TIME_H_

namespace luma {

struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_CALENDAR_TIME_H_
