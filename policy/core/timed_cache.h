// A map of cached values that age: each entry knows when it was stored, when it was last read and
// how often, and the cache may limit the age and the number of reads of its entries. The clock is
// injected so that the limits can be tried without waiting.
#ifndef LUMA_POLICY_CORE_TIMED_CACHE_H_
#define LUMA_POLICY_CORE_TIMED_CACHE_H_

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/platform.h"

namespace luma {

// 100-ns units since 1601-01-01 UTC (the FILETIME count).
using CacheTime = std::uint64_t;
using CacheClock = std::function<CacheTime()>;
constexpr CacheTime kCacheTicksPerSecond = 10000000;

// The system's UTC time.
CacheTime CurrentCacheTime();

// Whole seconds from created to now; false when now lies before created (the clock was set back), as
// such an entry's age is unknown.
bool GetCacheEntryAge(CacheTime created, CacheTime now, std::uint64_t& seconds);

}  // namespace luma

template <typename T>
struct CTimedCacheEntry {
  luma::CacheTime created = 0;
  luma::CacheTime lastUsed = 0;  // 0 until the first counted read
  DWORD uses = 0;
  T value{};
  // Tells two entries stored under one key apart, so that only the entry tested is ever removed.
  std::uint64_t serial = 0;
};

template <typename T>
class CTimedCache {
 public:
  using Entry = CTimedCacheEntry<T>;
  static constexpr DWORD kNoLimit = 0xFFFFFFFF;

  explicit CTimedCache(luma::CacheClock clock = luma::CurrentCacheTime) : clock(std::move(clock)) {}
  CTimedCache(const CTimedCache&) = delete;
  CTimedCache& operator=(const CTimedCache&) = delete;

  void SetLimits(DWORD maxAge, DWORD maxReads) {
    CMutexObjLock lock(mutex);
    maxAgeSeconds = maxAge;
    maxUses = maxReads;
  }

  // Stores a fresh entry, replacing any entry of the key.
  void Put(const WString& key, const T& value) {
    Entry entry;
    entry.created = clock();
    entry.value = value;
    CMutexObjLock lock(mutex);
    entry.serial = ++lastSerial;
    entries[key] = std::move(entry);
  }

  // The value of a live entry, counting the read; an expired entry is removed. value is emptied first.
  bool Get(const WString& key, T& value) {
    value = T{};
    CMutexObjLock lock(mutex);
    auto found = entries.find(key);
    if (found == entries.end()) return false;
    if (IsExpired(found->second)) {
      entries.erase(found);
      return false;
    }
    CountUse(found->second);
    value = found->second.value;
    return true;
  }

  // A copy of the whole entry (after counting the read when countUse); entry is reset first. The
  // cache's own limits are not applied.
  bool Lookup(const WString& key, Entry& entry, bool countUse) {
    return LookupValid(key, entry, countUse, [](const Entry&, luma::CacheTime) { return true; });
  }

  // Lookup that applies the caller's rule (entry, now) -> valid in the same locked step: an entry
  // that fails it is removed and gives false, so a value stored meanwhile by another thread is never
  // taken away with it.
  template <typename Rule>
  bool LookupValid(const WString& key, Entry& entry, bool countUse, Rule isValid) {
    entry = Entry{};
    CMutexObjLock lock(mutex);
    auto found = entries.find(key);
    if (found == entries.end()) return false;
    if (countUse) CountUse(found->second);
    if (!isValid(found->second, clock())) {
      entries.erase(found);
      return false;
    }
    entry = found->second;
    return true;
  }

  bool Contains(const WString& key) {
    CMutexObjLock lock(mutex);
    return entries.find(key) != entries.end();
  }

  bool Remove(const WString& key) {
    CMutexObjLock lock(mutex);
    return entries.erase(key) != 0;
  }

  // Removes the key only while it still holds the entry that was looked up.
  bool RemoveEntry(const WString& key, const Entry& looked) {
    CMutexObjLock lock(mutex);
    auto found = entries.find(key);
    if (found == entries.end() || found->second.serial != looked.serial) return false;
    entries.erase(found);
    return true;
  }

  // By the cache's limits (a limit of 0 is off; both 0 expire everything); an entry from before a
  // clock change back counts as expired.
  bool IsExpired(const Entry& entry) {
    CMutexObjLock lock(mutex);
    if (maxAgeSeconds == 0 && maxUses == 0) return true;
    if (maxAgeSeconds != 0) {
      std::uint64_t age = 0;
      if (!luma::GetCacheEntryAge(entry.created, clock(), age) || age >= maxAgeSeconds) return true;
    }
    return maxUses != 0 && entry.uses >= maxUses;
  }

  luma::CacheTime Now() const { return clock(); }

 private:
  void CountUse(Entry& entry) {
    entry.lastUsed = clock();
    ++entry.uses;
  }

  CMutexObj mutex;
  std::unordered_map<WString, Entry> entries;
  DWORD maxAgeSeconds = kNoLimit;
  DWORD maxUses = kNoLimit;
  std::uint64_t lastSerial = 0;
  luma::CacheClock clock;
};

#endif  // LUMA_POLICY_CORE_TIMED_CACHE_H_
