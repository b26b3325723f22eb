#include "policy/core/timed_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "policy/core/pin_cache_rule.h"

namespace {

constexpr luma::CacheTime kStart = 130000000000000000ULL;

// A clock the test moves by hand.
struct ManualClock {
  std::atomic<luma::CacheTime> now{kStart};
  luma::CacheClock Get() {
    return [this] { return now.load(); };
  }
  void Advance(std::uint64_t seconds) { now += seconds * luma::kCacheTicksPerSecond; }
  void SetBack(std::uint64_t seconds) { now -= seconds * luma::kCacheTicksPerSecond; }
};

struct LimitCase {
  const char* name;
  DWORD maxAge;
  DWORD maxUses;
  int liveReads;         // Get calls that succeed at second 0
  bool goneAfterReads;   // the next Get then fails
  bool expiresWithTime;  // the entry is expired 100 s after it was stored, before any read
};

class TimedCacheLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(TimedCacheLimits, EntriesExpireByAgeAndReads) {
  const LimitCase& c = GetParam();
  {
    ManualClock clock;
    CTimedCache<WString> cache(clock.Get());
    cache.SetLimits(c.maxAge, c.maxUses);
    cache.Put(WSTR("k"), WSTR("v"));
    WString value;
    for (int i = 0; i < c.liveReads; ++i) {
      ASSERT_TRUE(cache.Get(WSTR("k"), value)) << "read " << i;
      EXPECT_EQ(value, WSTR("v"));
    }
    EXPECT_EQ(cache.Get(WSTR("k"), value), !c.goneAfterReads);
    EXPECT_EQ(value.empty(), c.goneAfterReads);
    EXPECT_EQ(cache.Contains(WSTR("k")), !c.goneAfterReads) << "an expired entry is removed";
  }
  {
    ManualClock clock;
    CTimedCache<WString> cache(clock.Get());
    cache.SetLimits(c.maxAge, c.maxUses);
    cache.Put(WSTR("k"), WSTR("v"));
    clock.Advance(99);
    CTimedCacheEntry<WString> entry;
    ASSERT_TRUE(cache.Lookup(WSTR("k"), entry, false));
    clock.Advance(1);
    EXPECT_EQ(cache.IsExpired(entry), c.expiresWithTime);
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, TimedCacheLimits,
                         ::testing::Values(LimitCase{"time", 100, 0, 50, false, true},
                                           LimitCase{"reuse", 0, 3, 3, true, false},
                                           LimitCase{"both", 100, 2, 2, true, true},
                                           LimitCase{"none", 0, 0, 0, true, true},
                                           LimitCase{"unlimited", 0xFFFFFFFF, 0xFFFFFFFF, 50, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimedCache, LookupCopiesTheEntryAndCountsOnlyWhenAsked) {
  ManualClock clock;
  CTimedCache<WString> cache(clock.Get());
  cache.Put(WSTR("k"), WSTR("v"));
  clock.Advance(5);
  CTimedCacheEntry<WString> entry;
  ASSERT_TRUE(cache.Lookup(WSTR("k"), entry, false));
  EXPECT_EQ(entry.created, kStart);
  EXPECT_EQ(entry.lastUsed, 0u);
  EXPECT_EQ(entry.uses, 0u);
  ASSERT_TRUE(cache.Lookup(WSTR("k"), entry, true));
  EXPECT_EQ(entry.uses, 1u);
  EXPECT_EQ(entry.lastUsed, clock.now.load());
  EXPECT_EQ(entry.value, WSTR("v"));

  EXPECT_FALSE(cache.Lookup(WSTR("K"), entry, true)) << "keys compare with regard to case";
  EXPECT_EQ(entry.uses, 0u) << "the out entry is reset";
  EXPECT_TRUE(entry.value.empty());

  cache.Put(WSTR("k"), WSTR("w"));
  ASSERT_TRUE(cache.Lookup(WSTR("k"), entry, false));
  EXPECT_EQ(entry.uses, 0u) << "Put stores a fresh entry";
}

TEST(TimedCache, AnEntryFromBeforeTheClockWasSetBackIsExpired) {
  ManualClock clock;
  CTimedCache<WString> cache(clock.Get());
  cache.SetLimits(3600, 0);
  cache.Put(WSTR("k"), WSTR("v"));
  clock.SetBack(1);
  WString value;
  EXPECT_FALSE(cache.Get(WSTR("k"), value));
  EXPECT_FALSE(cache.Contains(WSTR("k")));

  std::uint64_t age = 7;
  EXPECT_FALSE(luma::GetCacheEntryAge(kStart, kStart - 1, age));
  EXPECT_TRUE(luma::GetCacheEntryAge(kStart, kStart + 2 * luma::kCacheTicksPerSecond - 1, age));
  EXPECT_EQ(age, 1u);
}

TEST(TimedCache, OnlyTheEntryThatWasTestedIsRemoved) {
  ManualClock clock;
  CTimedCache<WString> cache(clock.Get());
  cache.Put(WSTR("k"), WSTR("old"));
  CTimedCacheEntry<WString> tested;
  ASSERT_TRUE(cache.Lookup(WSTR("k"), tested, false));
  cache.Put(WSTR("k"), WSTR("fresh"));  // another thread stores a new value meanwhile
  EXPECT_FALSE(cache.RemoveEntry(WSTR("k"), tested));
  WString value;
  ASSERT_TRUE(cache.Get(WSTR("k"), value));
  EXPECT_EQ(value, WSTR("fresh"));

  CTimedCacheEntry<WString> current;
  ASSERT_TRUE(cache.Lookup(WSTR("k"), current, false));
  EXPECT_TRUE(cache.RemoveEntry(WSTR("k"), current));
  EXPECT_FALSE(cache.Contains(WSTR("k")));
}

TEST(TimedCache, LookupValidRemovesAnEntryThatFailsTheRule) {
  ManualClock clock;
  CTimedCache<WString> cache(clock.Get());
  cache.Put(WSTR("k"), WSTR("v"));
  CTimedCacheEntry<WString> entry;
  auto fewerThanTwoReads = [](const CTimedCacheEntry<WString>& e, luma::CacheTime) { return e.uses < 2; };
  EXPECT_TRUE(cache.LookupValid(WSTR("k"), entry, true, fewerThanTwoReads));
  EXPECT_FALSE(cache.LookupValid(WSTR("k"), entry, true, fewerThanTwoReads));
  EXPECT_TRUE(entry.value.empty());
  EXPECT_FALSE(cache.Contains(WSTR("k")));
}

// Readers, writers and removers on shared keys: run under the thread sanitizer.
TEST(TimedCache, ConcurrentUseKeepsEntriesWhole) {
  CTimedCache<WString> cache;
  cache.SetLimits(0, 5);
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&cache, t] {
      for (int i = 0; i < 400; ++i) {
        const WString key(1, static_cast<WCHAR>('a' + i % 4));
        WString value;
        CTimedCacheEntry<WString> entry;
        switch ((t + i) % 4) {
          case 0:
            cache.Put(key, key + key);
            break;
          case 1:
            if (cache.Get(key, value)) {
              EXPECT_EQ(value, key + key);
            }
            break;
          case 2:
            if (cache.Lookup(key, entry, true)) cache.RemoveEntry(key, entry);
            break;
          default:
            cache.Remove(key);
            break;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
}

struct PinRuleCase {
  const char* name;
  DWORD maxTime;
  DWORD maxReuse;
  std::uint64_t ageSeconds;
  DWORD uses;
  bool valid;
};

class PinCacheRule : public ::testing::TestWithParam<PinRuleCase> {};

TEST_P(PinCacheRule, AppliesTheLimitsOfThePinPolicy) {
  const PinRuleCase& c = GetParam();
  const CPinCacheLimits limits{c.maxTime, c.maxReuse};
  EXPECT_EQ(luma::policy::IsCachedPinValid(limits, kStart, kStart + c.ageSeconds * luma::kCacheTicksPerSecond,
                                           c.uses),
            c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PinCacheRule,
    ::testing::Values(
        PinRuleCase{"timeYoung", 60, 0, 59, 1000, true}, PinRuleCase{"timeOld", 60, 0, 60, 0, false},
        PinRuleCase{"reuseBelow", 0, 3, 100000, 2, true}, PinRuleCase{"reuseReached", 0, 3, 0, 3, false},
        PinRuleCase{"bothWithin", 60, 3, 59, 2, true}, PinRuleCase{"bothTooOld", 60, 3, 60, 0, false},
        PinRuleCase{"bothTooOften", 60, 3, 0, 3, false}, PinRuleCase{"none", 0, 0, 0, 0, false},
        PinRuleCase{"largeLimits", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFEULL, 0xFFFFFFFE, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PinCacheRule, APinStoredBeforeTheClockWasSetBackIsInvalid) {
  EXPECT_FALSE(luma::policy::IsCachedPinValid(CPinCacheLimits{60, 0}, kStart, kStart - 1, 0));
  EXPECT_FALSE(
      luma::policy::IsCachedPinValid(CPinCacheLimits{60, 5}, kStart, kStart - luma::kCacheTicksPerSecond, 0));
}

}  // namespace
