#include "plugins/csp/core/enumeration.h"

#include <gtest/gtest.h>

#include <cstring>

namespace luma::csp {
namespace {

TEST(EnumCursorTest, NeedsAStartAndEndsAfterTheLastItem) {
  CEnumCursor cursor;
  size_t index = 99;
  EXPECT_EQ(kEnumNotStarted, cursor.Current(0, 2, index));
  ASSERT_EQ(0u, cursor.Current(kEnumFirstFlag, 2, index));
  EXPECT_EQ(0u, index);
  cursor.Delivered(index);
  ASSERT_EQ(0u, cursor.Current(0, 2, index));
  EXPECT_EQ(1u, index);
  cursor.Delivered(index);
  EXPECT_EQ(kEnumNoMoreItems, cursor.Current(0, 2, index));
  ASSERT_EQ(0u, cursor.Current(kEnumFirstFlag, 2, index));  // starts over
  EXPECT_EQ(0u, index);
  CEnumCursor empty;
  EXPECT_EQ(kEnumNoMoreItems, empty.Current(kEnumFirstFlag, 0, index));
}

TEST(EnumCursorTest, AnItemThatWasOnlyLookedAtIsGivenAgain) {
  CEnumCursor cursor;
  size_t index = 0;
  ASSERT_EQ(0u, cursor.Current(kEnumFirstFlag, 3, index));  // a size query: nothing delivered
  ASSERT_EQ(0u, cursor.Current(0, 3, index));
  EXPECT_EQ(0u, index);
  cursor.Delivered(index);
  ASSERT_EQ(0u, cursor.Current(0, 3, index));
  EXPECT_EQ(1u, index);
}

TEST(AlgorithmTableTest, ElevenAlgorithmsWhoseNamesFitTheirFields) {
  ASSERT_EQ(11u, kAlgorithmCount);
  EXPECT_EQ(0x8003u, kAlgorithmTable[0].algId);
  EXPECT_EQ(0x6603u, kAlgorithmTable[kAlgorithmCount - 1].algId);
  for (size_t i = 0; i < kAlgorithmCount; ++i) {
    EXPECT_LT(std::strlen(kAlgorithmTable[i].name), 20u);
    EXPECT_LT(std::strlen(kAlgorithmTable[i].longName), 40u);
    EXPECT_LE(kAlgorithmTable[i].minBits, kAlgorithmTable[i].defaultBits);
    EXPECT_LE(kAlgorithmTable[i].defaultBits, kAlgorithmTable[i].maxBits);
  }
}

}  // namespace
}  // namespace luma::csp
