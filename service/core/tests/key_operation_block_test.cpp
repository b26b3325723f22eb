#include "service/core/key_operation_block.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using luma::service::ClassifySignBlock;
using luma::service::KeyLengthInBytes;
using luma::service::SignBlockKind;

// A type-1 block of `size` bytes around the payload.
CSecureBuffer Padded(DWORD size, const std::vector<BYTE>& payload) {
  CSecureBuffer block(size);
  block.data[0] = 0x00;
  block.data[1] = 0x01;
  const DWORD separator = size - static_cast<DWORD>(payload.size()) - 1;
  for (DWORD i = 2; i < separator; ++i) block.data[i] = 0xFF;
  block.data[separator] = 0x00;
  for (size_t i = 0; i < payload.size(); ++i) block.data[separator + 1 + i] = payload[i];
  return block;
}

CSecureBuffer Unpadded(DWORD size) {
  CSecureBuffer block(size);
  for (DWORD i = 0; i < size; ++i) block.data[i] = static_cast<BYTE>(0x30 + i);
  return block;
}

TEST(KeyOperationBlockTest, KeyLengthRoundsUp) {
  EXPECT_EQ(KeyLengthInBytes(2048), 256u);
  EXPECT_EQ(KeyLengthInBytes(2047), 256u);
  EXPECT_EQ(KeyLengthInBytes(2049), 257u);
  EXPECT_EQ(KeyLengthInBytes(0), 0u);
}

TEST(KeyOperationBlockTest, PaddedBlockSignsTheDigestInfoAfterTheSeparator) {
  const std::vector<BYTE> digestInfo = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48};
  // The padding, not the length, decides: 255 bytes with padding are a signature too.
  for (DWORD size : {256u, 255u, 128u}) {
    const auto block = ClassifySignBlock(Padded(size, digestInfo), 2048);
    ASSERT_EQ(block.kind, SignBlockKind::kDigestInfo) << size;
    EXPECT_EQ(block.payload, CSecureBuffer(static_cast<DWORD>(digestInfo.size()), digestInfo.data())) << size;
  }
}

TEST(KeyOperationBlockTest, UnpaddedBlockOfTheKeyLengthGoesRawAndUnchanged) {
  const CSecureBuffer data = Unpadded(256);
  const auto block = ClassifySignBlock(data, 2048);
  ASSERT_EQ(block.kind, SignBlockKind::kRawBlock);
  EXPECT_EQ(block.payload, data);
}

TEST(KeyOperationBlockTest, UnpaddedBlockOfAnotherLengthIsRefused) {
  struct Case {
    DWORD size;
    DWORD keyBits;
  };
  for (const Case& c : {Case{255, 2048}, Case{257, 2048}, Case{0, 2048}, Case{0, 0}, Case{128, 2048}}) {
    EXPECT_EQ(ClassifySignBlock(Unpadded(c.size), c.keyBits).kind, SignBlockKind::kWrongLength)
        << c.size << " bytes, " << c.keyBits << " bits";
  }
  // Too few FF bytes is no padding: a 256-byte block of that kind still goes raw.
  CSecureBuffer shortPadding = Padded(256, std::vector<BYTE>(250, 0x42));
  EXPECT_EQ(ClassifySignBlock(shortPadding, 2048).kind, SignBlockKind::kRawBlock);
}

}  // namespace
