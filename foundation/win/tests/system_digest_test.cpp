#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"

namespace {

TEST(SystemDigestTest, Sha1AsHexAndGuid) {
  const BYTE abc[] = {'a', 'b', 'c'};
  CSecureBuffer digest;
  ASSERT_TRUE(luma::ComputeSha1(abc, 3, digest));
  EXPECT_EQ(20u, digest.size);
  EXPECT_EQ(L"a9993e364706816aba3e25717850c26c9cd0d89d", luma::Sha1Hex(abc, 3));
  EXPECT_EQ(L"363e99a9-0647-6a81-ba3e-25717850c26c", luma::Sha1GuidString(abc, 3));
  EXPECT_EQ(L"363e99a9-0647-6a81-ba3e-25717850c26c", luma::Sha1GuidString(CSecureBuffer(3, abc)));
  EXPECT_EQ(L"da39a3ee5e6b4b0d3255bfef95601890afd80709", luma::Sha1Hex(nullptr, 0));
  EXPECT_EQ(L"", luma::Sha1Hex(nullptr, 5));
}

}  // namespace
