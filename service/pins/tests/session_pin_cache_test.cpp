#include "service/pins/session_pin_cache.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "foundation/core/random_source.h"

namespace {

bool NoRandom(BYTE*, DWORD) { return false; }

const CSecureBuffer kPin(4, "1234");

TEST(SessionPINCacheTest, ALaterStoreReplacesTheToken) {
  CSessionPINCache cache;
  CSecureBuffer first, second;
  ASSERT_EQ(0u, cache.Store(5, kPin, first));
  ASSERT_EQ(0u, cache.Store(5, kPin, second));
  ASSERT_EQ(CSessionPINCache::kTokenSize, first.size);
  ASSERT_EQ(CSessionPINCache::kTokenSize, second.size);
  EXPECT_NE(first, second);
  EXPECT_FALSE(cache.VerifyToken(5, first));
  EXPECT_TRUE(cache.VerifyToken(5, second));
}

TEST(SessionPINCacheTest, OnlyTheWholeTokenOfItsOwnPinIdVerifies) {
  CSessionPINCache cache;
  CSecureBuffer token, other;
  ASSERT_EQ(0u, cache.Store(-1, kPin, token));  // -1 is an ordinary key
  ASSERT_EQ(0u, cache.Store(7, CSecureBuffer(), other));
  EXPECT_TRUE(cache.VerifyToken(-1, token));
  EXPECT_TRUE(cache.VerifyToken(7, other));
  EXPECT_FALSE(cache.VerifyToken(-1, CSecureBuffer(15, token.data)));
  EXPECT_FALSE(cache.VerifyToken(-1, CSecureBuffer()));
  EXPECT_FALSE(cache.VerifyToken(7, token));
  EXPECT_FALSE(cache.VerifyToken(8, token));

  cache.Remove(42);  // no entry: nothing changes
  EXPECT_TRUE(cache.VerifyToken(-1, token));
  cache.Remove(-1);
  EXPECT_FALSE(cache.VerifyToken(-1, token));
  EXPECT_TRUE(cache.VerifyToken(7, other));
}

TEST(SessionPINCacheTest, WithoutRandomBytesNothingIsStoredAndTheRequestFails) {
  CSessionPINCache cache;
  CSecureBuffer kept;
  ASSERT_EQ(0u, cache.Store(3, kPin, kept));
  {
    const luma::testing::ScopedRandomGenerators broken(NoRandom, NoRandom);
    EXPECT_TRUE(CSessionPINCache::GenerateToken().empty());
    CSecureBuffer token(16, "stale token 1234");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNAL_ERROR), cache.Store(9, kPin, token));
    EXPECT_TRUE(token.empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNAL_ERROR), cache.Store(3, kPin, token));
  }
  const CSecureBuffer zeros(CSessionPINCache::kTokenSize);  // what an unchecked generator would hand out
  EXPECT_FALSE(cache.VerifyToken(9, zeros));
  EXPECT_TRUE(cache.VerifyToken(3, kept));  // the earlier entry is untouched
}

// Connection threads of several sessions use the one cache at the same time.
TEST(SessionPINCacheTest, ConcurrentStoresAndVerificationsKeepEachEntry) {
  CSessionPINCache cache;
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        CSecureBuffer token;
        if (cache.Store(t, kPin, token) != 0 || !cache.VerifyToken(t, token)) ++failures[t];
        if (round % 10 == 9) cache.Remove(t);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(0, failures[t]) << "pin id " << t;
}

}  // namespace

namespace {

// Any client names PIN identifiers: a new one beyond the cap takes the place of the oldest entry,
// while storing again under a remembered identifier takes no other's place.
TEST(SessionPINCacheTest, EntriesBeyondTheCapReplaceTheOldest) {
  CSessionPINCache cache;
  std::vector<CSecureBuffer> tokens(CSessionPINCache::kMaxEntries);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    ASSERT_EQ(0u, cache.Store(static_cast<int>(i), kPin, tokens[i]));
  }
  ASSERT_EQ(0u, cache.Store(0, kPin, tokens[0]));  // the same identifier again: now the newest
  EXPECT_EQ(cache.Count(), CSessionPINCache::kMaxEntries);
  EXPECT_EQ(cache.CapNotice().Hits(), 0u);

  CSecureBuffer fresh;
  ASSERT_EQ(0u, cache.Store(1000, kPin, fresh));
  EXPECT_EQ(cache.Count(), CSessionPINCache::kMaxEntries);
  EXPECT_EQ(cache.CapNotice().Hits(), 1u);
  EXPECT_FALSE(cache.VerifyToken(1, tokens[1]));  // stored longest ago
  EXPECT_TRUE(cache.VerifyToken(0, tokens[0]));
  EXPECT_TRUE(cache.VerifyToken(2, tokens[2]));
  EXPECT_TRUE(cache.VerifyToken(1000, fresh));
}

}  // namespace
