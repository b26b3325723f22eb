#include "policy/core/timed_cache.h"

#include <chrono>

namespace luma {

namespace {
// Seconds from 1601-01-01 to 1970-01-01.
constexpr CacheTime kUnixEpochSeconds = 11644473600ULL;
}  // namespace

CacheTime CurrentCacheTime() {
  const auto sinceUnix = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return kUnixEpochSeconds * kCacheTicksPerSecond + static_cast<CacheTime>(sinceUnix.count()) * 10;
}

bool GetCacheEntryAge(CacheTime created, CacheTime now, std::uint64_t& seconds) {
  seconds = 0;
  if (now < created) return false;
  seconds = (now - created) / kCacheTicksPerSecond;
  return true;
}

}  // namespace luma
