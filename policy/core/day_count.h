// Whole days between two calendar moments, as the reminders count them: the difference is moved
// half a second away from zero and truncated toward zero.
#ifndef LUMA_POLICY_CORE_DAY_COUNT_H_
#define LUMA_POLICY_CORE_DAY_COUNT_H_

#include "policy/core/policy_der_reader.h"

namespace luma {
namespace policy {

// target minus present in days; a calendar that is out of range counts as 9999-01-01 00:00:00.
int DayCountBetween(const CalendarTime& target, const CalendarTime& present);

}  // namespace policy
}  // namespace luma

#endif  // LUMA_POLICY_CORE_DAY_COUNT_H_
