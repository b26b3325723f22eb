#include "service/core/block_padding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using luma::service::AddBlockPadding;
using luma::service::RemoveBlockPadding;

CSecureBuffer Filled(DWORD size, BYTE value) {
  CSecureBuffer bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes.data[i] = value;
  return bytes;
}

TEST(BlockPaddingTest, PadsToWholeBlocksAndBack) {
  for (DWORD size : {0u, 1u, 15u, 16u, 17u, 31u, 32u}) {
    const CSecureBuffer plain = Filled(size, 0xA5);
    CSecureBuffer padded, again;
    ASSERT_TRUE(AddBlockPadding(plain, padded)) << size;
    const DWORD count = 16 - size % 16;
    EXPECT_EQ(padded.size, size + count) << size;
    EXPECT_EQ(padded.data[padded.size - 1], count) << size;
    ASSERT_TRUE(RemoveBlockPadding(padded, again)) << size;
    EXPECT_EQ(again, plain) << size;
  }
}

TEST(BlockPaddingTest, RefusesWrongPadding) {
  struct Case {
    const char* name;
    CSecureBuffer padded;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", CSecureBuffer()});
  cases.push_back({"not whole blocks", Filled(17, 1)});
  cases.push_back({"count zero", Filled(16, 0)});
  cases.push_back({"count seventeen", Filled(32, 17)});
  CSecureBuffer inconsistent = Filled(32, 4);
  inconsistent.data[29] = 3;  // the third of four padding bytes
  cases.push_back({"one padding byte differs", inconsistent});
  CSecureBuffer lastOfSixteen = Filled(16, 16);
  lastOfSixteen.data[0] = 0;
  cases.push_back({"first byte of a full padding block", lastOfSixteen});
  for (const Case& c : cases) {
    CSecureBuffer plain(5);
    EXPECT_FALSE(RemoveBlockPadding(c.padded, plain)) << c.name;
    EXPECT_EQ(plain.size, 5u) << c.name;
  }
  CSecureBuffer plain;
  EXPECT_TRUE(RemoveBlockPadding(Filled(16, 16), plain));
  EXPECT_TRUE(plain.empty());
}

}  // namespace
