#include "foundation/core/pkcs1_padding.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"

namespace {

CSecureBuffer Block(int second, int ffCount, std::initializer_list<int> tail) {
  CSecureBuffer block = Bytes({0x00, second});
  for (int i = 0; i < ffCount; ++i) block.Append(1, "\xFF");
  const CSecureBuffer rest = Bytes(tail);
  block.Append(rest.size, rest.data);
  return block;
}

TEST(Pkcs1PaddingTest, StripsOnlyValidTypeOnePadding) {
  struct Case {
    const char* name;
    CSecureBuffer block;
    CSecureBuffer payload;
  } cases[] = {
      {"eight FF and two payload bytes", Block(0x01, 8, {0x00, 0x30, 0x31}), Bytes({0x30, 0x31})},
      {"separator at index 10, one payload byte", Block(0x01, 8, {0x00, 0x7E}), Bytes({0x7E})},
      {"longer padding", Block(0x01, 20, {0x00, 0x01, 0x02, 0x03}), Bytes({0x01, 0x02, 0x03})},
      {"payload may hold zeros and FF", Block(0x01, 9, {0x00, 0xFF, 0x00}), Bytes({0xFF, 0x00})},
      {"seven FF only", Block(0x01, 7, {0x00, 0x30, 0x31, 0x32}), CSecureBuffer()},
      {"block type 2", Block(0x02, 8, {0x00, 0x30, 0x31}), CSecureBuffer()},
      {"no payload", Block(0x01, 10, {0x00}), CSecureBuffer()},
      {"no separator", Block(0x01, 12, {}), CSecureBuffer()},
      {"separator is not zero", Block(0x01, 8, {0x01, 0x30, 0x31}), CSecureBuffer()},
      {"first byte not zero", Bytes({0x01, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x30}),
       CSecureBuffer()},
      {"eleven bytes", Block(0x01, 8, {0x00}), CSecureBuffer()},
      {"empty", CSecureBuffer(), CSecureBuffer()},
  };
  for (const auto& c : cases) EXPECT_EQ(luma::RemovePkcs1Type1Padding(c.block), c.payload) << c.name;
}

}  // namespace
