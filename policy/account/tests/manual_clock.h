// A cache clock that the test moves by hand.
#ifndef LUMA_POLICY_ACCOUNT_TESTS_MANUAL_CLOCK_H_
#define LUMA_POLICY_ACCOUNT_TESTS_MANUAL_CLOCK_H_

#include <atomic>

#include "policy/core/timed_cache.h"

struct ManualClock {
  std::atomic<luma::CacheTime> now{130000000000000000ULL};
  luma::CacheClock Get() {
    return [this] { return now.load(); };
  }
  void Advance(std::uint64_t seconds) { now += seconds * luma::kCacheTicksPerSecond; }
};

#endif  // LUMA_POLICY_ACCOUNT_TESTS_MANUAL_CLOCK_H_
