#include "plugins/common/core/pkcs1_blocks.h"

#include <gtest/gtest.h>

#include <vector>

namespace luma::plugin {
namespace {

CSecureBuffer Bytes(std::vector<BYTE> bytes) {
  return CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
}

CSecureBuffer Filled(DWORD size, BYTE value) { return Bytes(std::vector<BYTE>(size, value)); }

TEST(DigestAlgorithmTest, NamesTheFiveDigestsTheTlsPairAndRefusesTheRest) {
  EXPECT_STREQ("2.16.840.1.101.3.4.2.1", DigestAlgorithmOf(kAlgSha256).oid);
  EXPECT_STREQ("1.3.14.3.2.26", DigestAlgorithmOf(kAlgSha1).oid);
  EXPECT_STREQ("1.2.840.113549.2.5", DigestAlgorithmOf(kAlgMd5).oid);
  EXPECT_STREQ("2.16.840.1.101.3.4.2.3", DigestAlgorithmOf(kAlgSha512).oid);
  EXPECT_EQ(DigestInfoForm::kBareHash, DigestAlgorithmOf(kAlgSsl3ShaMd5).form);
  for (DWORD refused : {0x8001u /* MD2 */, 0x8002u /* MD4 */, 0u, 0x800Fu}) {
    EXPECT_EQ(DigestInfoForm::kRefused, DigestAlgorithmOf(refused).form) << refused;
  }
}

TEST(PadPkcs1Type1Test, FillsTheBlockWithAtLeastEightPaddingBytes) {
  const CSecureBuffer payload = Filled(51, 0x5A);
  CSecureBuffer block;
  ASSERT_TRUE(PadPkcs1Type1(payload, 256, block));
  ASSERT_EQ(256u, block.size);
  EXPECT_EQ(0x00, block.data[0]);
  EXPECT_EQ(0x01, block.data[1]);
  for (DWORD i = 2; i < 204; ++i) ASSERT_EQ(0xFF, block.data[i]) << i;
  EXPECT_EQ(0x00, block.data[204]);
  EXPECT_EQ(payload, CSecureBuffer(51, block.data + 205));

  // The shortest block has exactly eight bytes FF; one byte less does not fit and keeps the output.
  ASSERT_TRUE(PadPkcs1Type1(payload, 62, block));
  EXPECT_EQ(Filled(8, 0xFF), CSecureBuffer(8, block.data + 2));
  EXPECT_EQ(0x00, block.data[10]);
  EXPECT_FALSE(PadPkcs1Type1(payload, 61, block));
  EXPECT_EQ(62u, block.size);
  EXPECT_FALSE(PadPkcs1Type1(CSecureBuffer(), 10, block));
}

TEST(RemovePkcs1Type2PaddingTest, ReturnsTheMessageOfWellFormedBlocksOnly) {
  const CSecureBuffer good = Bytes({0, 2, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0xAA, 0xBB});
  EXPECT_EQ(Bytes({0xAA, 0xBB}), RemovePkcs1Type2Padding(good));

  struct Case {
    const char* what;
    std::vector<BYTE> block;
  };
  const Case rejected[] = {
      {"seven padding bytes", {0, 2, 1, 2, 3, 4, 5, 6, 7, 0, 0xAA, 0xBB}},
      {"type 1", {0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0xAA, 0xBB}},
      {"leading byte not zero", {1, 2, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0xAA, 0xBB}},
      {"separator is the last byte", {0, 2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}},
      {"no separator", {0, 2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {"eleven bytes", {0, 2, 1, 2, 3, 4, 5, 6, 7, 8, 0}},
      {"empty", {}},
  };
  for (const Case& c : rejected) EXPECT_TRUE(RemovePkcs1Type2Padding(Bytes(c.block)).empty()) << c.what;
}

TEST(XorBuffersTest, CombinesEqualLengthsAndRefusesOthers) {
  EXPECT_EQ(Bytes({0xFF, 0x00, 0x0F}), XorBuffers(Bytes({0xF0, 0x55, 0x0A}), Bytes({0x0F, 0x55, 0x05})));
  EXPECT_TRUE(XorBuffers(Bytes({1, 2}), Bytes({1})).empty());
}

TEST(OaepBlockFitsTest, NeedsRoomForTwoDigestsAndTwoBytes) {
  EXPECT_TRUE(OaepBlockFits(42, 20));
  EXPECT_FALSE(OaepBlockFits(41, 20));
  EXPECT_FALSE(OaepBlockFits(0, 20));
  EXPECT_FALSE(OaepBlockFits(256, 0));
  EXPECT_FALSE(OaepBlockFits(0xFFFFFFFFu, 0x80000000u));  // no wrap-around of 2 * hLen
}

TEST(ExtractOaepMessageTest, ChecksTheLabelHashTheMarkerAndTheFirstByte) {
  const CSecureBuffer labelHash = Bytes({9, 8, 7, 6});
  const CSecureBuffer dataBlock = Bytes({9, 8, 7, 6, 0, 0, 1, 0x41, 0x42});
  EXPECT_EQ(Bytes({0x41, 0x42}), ExtractOaepMessage(0, dataBlock, labelHash));
  EXPECT_TRUE(ExtractOaepMessage(1, dataBlock, labelHash).empty());
  EXPECT_TRUE(ExtractOaepMessage(0, dataBlock, Bytes({9, 8, 7, 5})).empty());
  EXPECT_TRUE(ExtractOaepMessage(0, Bytes({9, 8, 7, 6, 0, 2, 0x41}), labelHash).empty());
  EXPECT_TRUE(ExtractOaepMessage(0, Bytes({9, 8, 7, 6, 0, 0}), labelHash).empty());
  EXPECT_TRUE(ExtractOaepMessage(0, Bytes({9, 8, 7}), labelHash).empty());
}

}  // namespace
}  // namespace luma::plugin
