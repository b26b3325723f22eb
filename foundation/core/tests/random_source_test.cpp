#include "foundation/core/random_source.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace luma
