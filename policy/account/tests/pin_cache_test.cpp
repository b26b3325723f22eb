#include "policy/account/pin_cache.h"

#include <gtest/gtest.h>

#include "policy/account/tests/manual_clock.h"

namespace {

CSecureBuffer Pin(const wchar_t* text) {
  return CSecureBuffer(static_cast<DWORD>(wcslen(text) * sizeof(wchar_t)), text);
}

class PinCacheTest : public ::testing::Test {
 protected:
  ManualClock clock;
  CPinCache cache{clock.Get()};
};

TEST_F(PinCacheTest, APinWithATimeLimitIsValidUpToItsLastWholeSecond) {
  const CPinCacheLimits limits{60, 0};
  ASSERT_TRUE(cache.StorePin(L"sig", Pin(L"1234"), false));
  clock.Advance(59);
  CSecureBuffer pin;
  ASSERT_TRUE(cache.GetPin(L"sig", limits, pin));
  EXPECT_EQ(pin, Pin(L"1234"));
  EXPECT_TRUE(cache.IsPinCached(L"sig", limits));
  clock.Advance(1);
  CSecureBuffer untouched = Pin(L"x");
  EXPECT_FALSE(cache.GetPin(L"sig", limits, untouched));
  EXPECT_EQ(untouched, Pin(L"x")) << "a failed read leaves the out buffer as it was";
  clock.now -= 10 * luma::kCacheTicksPerSecond;  // the invalid PIN is gone, not merely hidden
  EXPECT_FALSE(cache.IsPinCached(L"sig", limits));
}

TEST_F(PinCacheTest, AReuseLimitCountsTheReadThatIsBeingMade) {
  const CPinCacheLimits limits{0, 3};
  ASSERT_TRUE(cache.StorePin(L"sig", Pin(L"1234"), false));
  CSecureBuffer pin;
  for (int read = 0; read < 2; ++read) {
    EXPECT_TRUE(cache.IsPinCached(L"sig", limits));
    EXPECT_TRUE(cache.GetPin(L"sig", limits, pin)) << read;
  }
  EXPECT_TRUE(cache.IsPinCached(L"sig", limits));
  EXPECT_FALSE(cache.GetPin(L"sig", limits, pin));
  EXPECT_FALSE(cache.IsPinCached(L"sig", limits));

  ASSERT_TRUE(cache.StorePin(L"once", Pin(L"1"), false));
  EXPECT_TRUE(cache.IsPinCached(L"once", CPinCacheLimits{0, 1}));
  EXPECT_FALSE(cache.GetPin(L"once", CPinCacheLimits{0, 1}, pin))
      << "reuse 1: reported cached, never handed out";
}

TEST_F(PinCacheTest, APinWithoutAnyLimitIsNeverValid) {
  ASSERT_TRUE(cache.StorePin(L"sig", Pin(L"1234"), false));
  EXPECT_FALSE(cache.IsPinCached(L"sig", CPinCacheLimits{0, 0}));
  EXPECT_FALSE(cache.IsPinCached(L"sig", CPinCacheLimits{60, 0})) << "removed at the first test";
}

TEST_F(PinCacheTest, AnEmptyPinIsStoredOnlyWhereTheCertificateAllowsOne) {
  const CPinCacheLimits limits{60, 0};
  EXPECT_FALSE(cache.StorePin(L"nopin", CSecureBuffer(), false));
  EXPECT_FALSE(cache.IsPinCached(L"nopin", limits));
  ASSERT_TRUE(cache.StorePin(L"empty", CSecureBuffer(), true));
  CSecureBuffer pin = Pin(L"old");
  ASSERT_TRUE(cache.GetPin(L"empty", limits, pin));
  EXPECT_TRUE(pin.empty());
}

TEST_F(PinCacheTest, AliasesAreExactKeysAndRemovalIsExplicit) {
  const CPinCacheLimits limits{60, 0};
  ASSERT_TRUE(cache.StorePin(L"Sig", Pin(L"1111"), false));
  ASSERT_TRUE(cache.StorePin(L"sig", Pin(L"2222"), false));
  CSecureBuffer pin;
  ASSERT_TRUE(cache.GetPin(L"Sig", limits, pin));
  EXPECT_EQ(pin, Pin(L"1111"));
  cache.RemovePin(L"Sig");
  EXPECT_FALSE(cache.IsPinCached(L"Sig", limits));
  EXPECT_TRUE(cache.IsPinCached(L"sig", limits));
}

TEST_F(PinCacheTest, BlockedMarksAreAListOfExactAliases) {
  EXPECT_TRUE(cache.MarkBlocked(L"sig"));
  EXPECT_TRUE(cache.MarkBlocked(L"sig"));
  EXPECT_FALSE(cache.IsMarkedBlocked(L"SIG"));
  cache.ClearBlockedMark(L"sig");
  EXPECT_TRUE(cache.IsMarkedBlocked(L"sig")) << "one clear removes one mark";
  cache.ClearBlockedMark(L"sig");
  EXPECT_FALSE(cache.IsMarkedBlocked(L"sig"));
}

TEST(PinCacheProtection, APinIsReadBackOnlyByTheCacheThatStoredIt) {
  CPinCache one;
  CPinCache other;
  ASSERT_TRUE(one.StorePin(L"sig", Pin(L"1234"), false));
  CSecureBuffer pin;
  ASSERT_TRUE(one.GetPin(L"sig", CPinCacheLimits{60, 0}, pin));
  EXPECT_EQ(pin, Pin(L"1234"));
  EXPECT_FALSE(other.GetPin(L"sig", CPinCacheLimits{60, 0}, pin));
}

}  // namespace
