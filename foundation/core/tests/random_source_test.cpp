#include "foundation/core/random_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace {

bool FailAfterScribbling(BYTE* data, DWORD size) {
  std::memset(data, 0xEE, size / 2);
  return false;
}

bool Sevens(BYTE* data, DWORD size) {
  std::memset(data, 7, size);
  return true;
}

bool NoRandom(BYTE*, DWORD) { return false; }

// Each system generator on its own gives fresh bytes.
TEST(RandomSourceTest, BothSystemGeneratorsWork) {
  const testing::RandomGenerator pairs[][2] = {{testing::SystemPrimaryRandom, NoRandom},
                                               {NoRandom, testing::SystemFallbackRandom}};
  for (const auto& pair : pairs) {
    testing::ScopedRandomGenerators generators(pair[0], pair[1]);
    CSecureBuffer a(32), b(32);
    ASSERT_TRUE(GenerateRandomBytes(a.data, a.size));
    ASSERT_TRUE(GenerateRandomBytes(b.data, b.size));
    EXPECT_NE(a, CSecureBuffer(32));
    EXPECT_NE(a, b);
  }
}

TEST(RandomSourceTest, FallsBackWhenTheFirstGeneratorFails) {
  testing::ScopedRandomGenerators generators(FailAfterScribbling, Sevens);
  BYTE bytes[16];
  ASSERT_TRUE(GenerateRandomBytes(bytes, sizeof bytes));
  for (BYTE b : bytes) EXPECT_EQ(b, 7);
}

TEST(RandomSourceTest, NoGeneratorMeansFailureAndZeros) {
  testing::ScopedRandomGenerators generators(FailAfterScribbling, FailAfterScribbling);
  BYTE bytes[16];
  std::memset(bytes, 0x55, sizeof bytes);
  EXPECT_FALSE(GenerateRandomBytes(bytes, sizeof bytes));
  for (BYTE b : bytes) EXPECT_EQ(b, 0);
}

// The system generator is shared by the whole process: threads drawing at the same time,
// including the first draws that set it up, all get fresh bytes.
TEST(RandomSourceTest, ManyThreadsDrawAtOnce) {
  testing::ScopedRandomGenerators generators(testing::SystemPrimaryRandom, NoRandom);
  constexpr int kThreads = 16;
  constexpr int kDraws = 50;
  std::atomic<int> failures{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < kDraws; ++i) {
        CSecureBuffer bytes(32);
        if (!GenerateRandomBytes(bytes.data, bytes.size) || bytes == CSecureBuffer(32)) ++failures;
      }
    });
  }
  go.store(true);
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace luma
