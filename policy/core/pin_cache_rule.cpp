#include "policy/core/pin_cache_rule.h"

namespace luma::policy {

bool IsCachedPinValid(const CPinCacheLimits& limits, luma::CacheTime created, luma::CacheTime now,
                      DWORD uses) {
  if (limits.maxPinCacheTime == 0 && limits.maxPinCacheReuse == 0) return false;
  if (limits.maxPinCacheTime != 0) {
    std::uint64_t age = 0;
    if (!luma::GetCacheEntryAge(created, now, age) || age >= limits.maxPinCacheTime) return false;
  }
  return limits.maxPinCacheReuse == 0 || uses < limits.maxPinCacheReuse;
}

}  // namespace luma::policy
