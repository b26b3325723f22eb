// How long a cached PIN may be handed out: the limits its certificate's PIN policy sets.
#ifndef LUMA_POLICY_CORE_PIN_CACHE_RULE_H_
#define LUMA_POLICY_CORE_PIN_CACHE_RULE_H_

#include "foundation/core/platform.h"
#include "policy/core/timed_cache.h"

struct CPinCacheLimits {
  DWORD maxPinCacheTime = 0;   // seconds; 0: no age limit
  DWORD maxPinCacheReuse = 0;  // reads; 0: no read limit
};

namespace luma::policy {

// Valid while younger than the time limit and read fewer times than the reuse limit; never with both
// limits 0, and never when the clock was set back before it was stored.
bool IsCachedPinValid(const CPinCacheLimits& limits, luma::CacheTime created, luma::CacheTime now,
                      DWORD uses);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_PIN_CACHE_RULE_H_
