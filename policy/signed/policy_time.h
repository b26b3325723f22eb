// Dates of the policies between FILETIME, the portable tick scale and calendar fields.
#ifndef LUMA_POLICY_SIGNED_POLICY_TIME_H_
#define LUMA_POLICY_SIGNED_POLICY_TIME_H_

#include <windows.h>

#include "policy/core/policy_der_reader.h"

namespace luma::policy {

FILETIME TicksToFileTime(luma::policy::FileTimeTicks ticks);
luma::policy::FileTimeTicks FileTimeToTicks(const FILETIME& time);
// Local calendar fields of a UTC time; false when the conversion fails.
bool FileTimeToLocalCalendar(const FILETIME& time, luma::policy::CalendarTime& calendar);
// The current UTC time as calendar fields, taken without conversion.
luma::policy::CalendarTime CurrentUtcCalendar();
// Whole days from now until the time, which is read in local time (so the local offset enters).
int DaysUntil(const FILETIME& time);
// True when the current UTC time is later than the time.
bool IsPast(const FILETIME& time);

}  // namespace luma::policy

#endif  // LUMA_POLICY_SIGNED_POLICY_TIME_H_
