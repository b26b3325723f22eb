#include "pkcs11/core/byte_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/core/platform.h"

namespace {

std::vector<std::uint8_t> bytesOf(const CByteBuffer& buffer) {
  return std::vector<std::uint8_t>(buffer.data(), buffer.data() + buffer.size());
}

CByteBuffer make(std::vector<std::uint8_t> bytes) { return CByteBuffer(bytes.size(), bytes.data()); }

TEST(ByteBufferTest, CopiesAreDeepAndEmptyInputGivesAnEmptyBuffer) {
  CByteBuffer original = make({1, 2, 3});
  CByteBuffer copy(original);
  copy.data()[0] = 9;
  EXPECT_EQ(bytesOf(original), (std::vector<std::uint8_t>{1, 2, 3}));
  CByteBuffer assigned;
  assigned = original;
  EXPECT_EQ(assigned, original);
  EXPECT_NE(assigned.data(), original.data());
  const CByteBuffer& alias = assigned;
  assigned = alias;  // self-assignment keeps the bytes
  EXPECT_EQ(bytesOf(assigned), (std::vector<std::uint8_t>{1, 2, 3}));

  const std::uint8_t byte = 7;
  EXPECT_TRUE(CByteBuffer(0, &byte).empty());
  EXPECT_EQ(CByteBuffer(0, &byte).data(), nullptr);
}

TEST(ByteBufferTest, AttributeScalarsAreOneByteAndFourLittleEndianBytes) {
  EXPECT_EQ(bytesOf(CByteBuffer::fromByte(1)), (std::vector<std::uint8_t>{1}));
  EXPECT_EQ(bytesOf(CByteBuffer::fromUlong(0x11223344u)),
            (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
}

TEST(ByteBufferTest, OrderIsShorterFirstThenUnsignedBytewise) {
  struct Case {
    std::vector<std::uint8_t> left, right;
    bool less;
  };
  const Case cases[] = {
      {{0xFF}, {0x00, 0x00}, true},  // shorter wins whatever its bytes
      {{0x00, 0x00}, {0xFF}, false},
      {{0x01, 0x80}, {0x01, 0x7F}, false},  // unsigned: 0x80 above 0x7F
      {{0x01, 0x7F}, {0x01, 0x80}, true},
      {{0x05}, {0x05}, false},
      {{}, {}, false},
      {{}, {0x00}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(make(c.left) < make(c.right), c.less) << c.left.size() << " vs " << c.right.size();
  }
  EXPECT_EQ(make({}), CByteBuffer());
}

TEST(ByteBufferTest, AppendAndReverse) {
  CByteBuffer buffer = make({1, 2});
  EXPECT_TRUE(buffer.append(make({3, 4, 5})));
  EXPECT_TRUE(buffer.append(CByteBuffer()));
  EXPECT_EQ(bytesOf(buffer), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
  buffer.reverse();
  EXPECT_EQ(bytesOf(buffer), (std::vector<std::uint8_t>{5, 4, 3, 2, 1}));

  CByteBuffer single = make({7});
  single.reverse();
  EXPECT_EQ(bytesOf(single), (std::vector<std::uint8_t>{7}));
  CByteBuffer none;
  none.reverse();
  EXPECT_TRUE(none.empty());
}

TEST(ByteBufferTest, AllocationFailureLeavesEmptyOrUnchanged) {
  const std::uint8_t bytes[] = {1, 2, 3};
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_TRUE(CByteBuffer(sizeof(bytes), bytes).empty());

  CByteBuffer buffer = make({1, 2});
  const CByteBuffer tail = make({3});
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(buffer.append(tail));
  EXPECT_EQ(bytesOf(buffer), (std::vector<std::uint8_t>{1, 2}));
}

}  // namespace
