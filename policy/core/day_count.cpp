#include "policy/core/day_count.h"

#include <limits>

namespace luma {
namespace policy {

namespace {

std::int64_t Milliseconds(const CalendarTime& calendar) {
  FileTimeTicks ticks = 0;
  if (!CalendarToTicks(calendar, ticks)) {
    CalendarTime fallback;
    fallback.year = 9999;
    fallback.month = 1;
    fallback.day = 1;
    CalendarToTicks(fallback, ticks);
  }
  return static_cast<std::int64_t>(ticks / 10000);
}

}  // namespace

int DayCountBetween(const CalendarTime& target, const CalendarTime& present) {
  constexpr std::int64_t kMillisecondsPerDay = 86400000;
  std::int64_t difference = Milliseconds(target) - Milliseconds(present);
  difference += difference >= 0 ? 500 : -500;
  const std::int64_t days = difference / kMillisecondsPerDay;
  if (days > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (days < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(days);
}

}  // namespace policy
}  // namespace luma
