#include "foundation/core/secure_buffer.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/tests/test_bytes.h"

namespace {

TEST(SecureBufferTest, OrderComparesLengthFirstThenUnsignedBytes) {
  struct Case {
    CSecureBuffer a, b;
    bool less, greater, equal;
  } cases[] = {
      {CSecureBuffer(), CSecureBuffer(), false, false, true},
      {Bytes({0xFF}), Bytes({0x00, 0x00}), true, false, false},
      {Bytes({0x01, 0x7F}), Bytes({0x01, 0x80}), true, false, false},
      {Bytes({0x80}), Bytes({0x7F}), false, true, false},
      {Bytes({1, 2, 3}), Bytes({1, 2, 3}), false, false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a < c.b, c.less);
    EXPECT_EQ(c.b < c.a, c.greater);
    EXPECT_EQ(c.a == c.b, c.equal);
  }
}

TEST(SecureBufferTest, SizedConstructionIsZeroFilledAndZeroSizeHasNoBlock) {
  CSecureBuffer sized(5);
  ASSERT_EQ(sized.size, 5u);
  EXPECT_EQ(ToVector(sized), std::vector<BYTE>(5, 0));
  CSecureBuffer none(0);
  EXPECT_EQ(none.size, 0u);
  EXPECT_EQ(none.data, nullptr);
  CSecureBuffer fromNull(0, nullptr);
  EXPECT_EQ(fromNull.data, nullptr);
}

TEST(SecureBufferTest, CopiesAreDeepAndEqualAssignmentKeepsTheBlock) {
  CSecureBuffer original = Bytes({1, 2, 3});
  CSecureBuffer copy(original);
  ASSERT_NE(copy.data, original.data);
  copy.data[0] = 9;
  EXPECT_EQ(original.data[0], 1);

  CSecureBuffer target = Bytes({1, 2, 3});
  BYTE* block = target.data;
  const CSecureBuffer sameBytes = Bytes({1, 2, 3});
  target = sameBytes;
  EXPECT_EQ(target.data, block);
  const CSecureBuffer& self = target;
  target = self;
  EXPECT_EQ(target.data, block);

  target = CSecureBuffer();
  EXPECT_EQ(target.size, 0u);
  EXPECT_EQ(target.data, nullptr);
}

TEST(SecureBufferTest, AppendGrowsOrCopiesIntoAnEmptyBuffer) {
  CSecureBuffer buffer;
  buffer.Append(0, nullptr);
  EXPECT_EQ(buffer.data, nullptr);
  const BYTE first[] = {1, 2};
  buffer.Append(2, first);
  const BYTE second[] = {3};
  buffer.Append(1, second);
  EXPECT_EQ(buffer, Bytes({1, 2, 3}));
}

// The block the growth test watches and what it held when it was freed.
const void* g_watchedBlock = nullptr;
std::vector<BYTE> g_watchedBytesAtFree;
DWORD g_watchedCapacity = 0;

void RecordWatchedBlock(const void* block) {
  if (block != g_watchedBlock) return;
  const BYTE* bytes = static_cast<const BYTE*>(block);
  g_watchedBytesAtFree.assign(bytes, bytes + g_watchedCapacity);
}

TEST(SecureBufferTest, GrowthKeepsTheContentsAndWipesEveryOutgrownBlock) {
  CSecureBuffer buffer;
  ASSERT_TRUE(buffer.Reserve(4));
  EXPECT_EQ(buffer.size, 0u);
  EXPECT_EQ(buffer.capacity(), 4u);
  const BYTE* reserved = buffer.data;
  buffer.Append(4, "\xA1\xA2\xA3\xA4");
  EXPECT_EQ(buffer.data, reserved);  // filled in place

  std::vector<BYTE> expected(buffer.data, buffer.data + 4);
  g_watchedBlock = buffer.data;
  g_watchedCapacity = buffer.capacity();
  luma::testing::ObserveHeapFrees(RecordWatchedBlock);
  DWORD growths = 0;
  for (BYTE i = 0; i < 200; ++i) {
    const BYTE* before = buffer.data;
    buffer.Append(1, &i);
    expected.push_back(i);
    if (buffer.data != before) ++growths;
  }
  luma::testing::ObserveHeapFrees(nullptr);
  EXPECT_EQ(ToVector(buffer), expected);
  EXPECT_LE(growths, 6u);  // 4 -> 8 -> ... -> 256: geometric, not one block per append
  EXPECT_EQ(g_watchedBytesAtFree, std::vector<BYTE>(4, 0));

  // A shortened buffer still wipes its whole block; Reserve below the capacity keeps the block.
  const BYTE* block = buffer.data;
  EXPECT_TRUE(buffer.Reserve(10));
  EXPECT_EQ(buffer.data, block);
  buffer.size = 1;
  g_watchedBlock = buffer.data;
  g_watchedCapacity = buffer.capacity();
  luma::testing::ObserveHeapFrees(RecordWatchedBlock);
  buffer.Clear();
  luma::testing::ObserveHeapFrees(nullptr);
  EXPECT_EQ(g_watchedBytesAtFree, std::vector<BYTE>(g_watchedCapacity, 0));
}

TEST(SecureBufferTest, AppendOfItsOwnBytesSurvivesGrowth) {
  CSecureBuffer buffer = Bytes({1, 2, 3});
  buffer.Append(buffer.size, buffer.data);
  EXPECT_EQ(buffer, Bytes({1, 2, 3, 1, 2, 3}));
}

TEST(SecureBufferTest, ReverseSwapsAroundTheMiddle) {
  struct Case {
    CSecureBuffer in, out;
  } cases[] = {
      {Bytes({1, 2, 3}), Bytes({3, 2, 1})},
      {Bytes({1, 2, 3, 4}), Bytes({4, 3, 2, 1})},
      {Bytes({7}), Bytes({7})},
      {CSecureBuffer(), CSecureBuffer()},
  };
  for (auto& c : cases) {
    c.in.Reverse();
    EXPECT_EQ(c.in, c.out);
  }
}

TEST(SecureBufferTest, ClearEmptiesAndIsIdempotent) {
  CSecureBuffer buffer = Bytes({1, 2});
  buffer.Clear();
  EXPECT_EQ(buffer.size, 0u);
  EXPECT_EQ(buffer.data, nullptr);
  buffer.Clear();
  EXPECT_EQ(buffer.size, 0u);
}

TEST(SecureBufferTest, FailedAllocationLeavesAnEmptyBufferOrTheOldContents) {
  luma::testing::FailNextHeapAllocations(1);
  CSecureBuffer constructed(3, "abc");
  EXPECT_EQ(constructed.size, 0u);
  EXPECT_EQ(constructed.data, nullptr);

  CSecureBuffer assigned = Bytes({1});
  luma::testing::FailNextHeapAllocations(1);
  assigned = Bytes({4, 5});
  EXPECT_EQ(assigned.size, 0u);
  EXPECT_EQ(assigned.data, nullptr);

  CSecureBuffer appended = Bytes({1, 2});
  luma::testing::FailNextHeapAllocations(1);
  appended.Append(1, "x");
  EXPECT_EQ(appended, Bytes({1, 2}));

  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(appended.Reserve(100));
  EXPECT_EQ(appended, Bytes({1, 2}));
}

TEST(SecureBufferTest, WorksAsAMapKeyForSessionIdentifiers) {
  std::map<CSecureBuffer, int> sessions;
  sessions[Bytes({2})] = 1;
  sessions[Bytes({1, 0})] = 2;
  sessions[Bytes({2})] = 3;
  ASSERT_EQ(sessions.size(), 2u);
  EXPECT_EQ(sessions.begin()->second, 3);  // the shorter key sorts first
}

TEST(MutexObjTest, LockIsReentrantAndReleasedOnException) {
  CMutexObj mutex;
  try {
    CMutexObjLock outer(mutex);
    CMutexObjLock inner(mutex);
    throw 1;
  } catch (int) {
  }
  bool taken = false;
  std::thread other([&] {
    CMutexObjLock lock(mutex);  // would block for ever if the throw had left the lock held
    taken = true;
  });
  other.join();
  EXPECT_TRUE(taken);
}

}  // namespace
