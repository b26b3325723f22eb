#include "policy/signed/policy_time.h"

#include "foundation/win/system_utils.h"
#include "policy/core/day_count.h"

using luma::policy::CalendarTime;
using luma::policy::FileTimeTicks;

namespace luma::policy {

FILETIME TicksToFileTime(FileTimeTicks ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

FileTimeTicks FileTimeToTicks(const FILETIME& time) {
  return (static_cast<FileTimeTicks>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool FileTimeToLocalCalendar(const FILETIME& time, CalendarTime& calendar) {
  FILETIME local;
  SYSTEMTIME system;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &system)) return false;
  calendar = luma::CalendarFromSystemTime(system);
  return true;
}

CalendarTime CurrentUtcCalendar() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return luma::CalendarFromSystemTime(now);
}

int DaysUntil(const FILETIME& time) {
  CalendarTime target;
  if (!FileTimeToLocalCalendar(time, target)) target = CalendarTime();  // counts as 9999-01-01
  return luma::policy::DayCountBetween(target, CurrentUtcCalendar());
}

bool IsPast(const FILETIME& time) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return CompareFileTime(&now, &time) > 0;
}

}  // namespace luma::policy
