#include "plugins/common/bcrypt_hash.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/core/tests/test_bytes.h"
#include "plugins/common/core/pkcs1_blocks.h"

namespace luma::plugin {
namespace {

CSecureBuffer FromVector(const std::vector<BYTE>& bytes) {
  return CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
}

CSecureBuffer Text(const char* text) { return CSecureBuffer(static_cast<DWORD>(strlen(text)), text); }

// RFC 8017, section 9.2, note 1: the DigestInfo prefixes, each with its explicit NULL parameters.
const std::vector<BYTE> kSha256Prefix = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                         0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
const std::vector<BYTE> kSha1Prefix = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e,
                                       0x03, 0x02, 0x1a, 0x05, 0x00, 0x04, 0x14};
const std::vector<BYTE> kMd5Prefix = {0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                      0x86, 0xf7, 0x0d, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};
const std::vector<BYTE> kSha512Prefix = {0x30, 0x51, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                         0x65, 0x03, 0x04, 0x02, 0x03, 0x05, 0x00, 0x04, 0x40};

// OAEP blocks (before the RSA operation) made by OpenSSL for a 1024-bit key and the message
// "lumaPass OAEP": SHA-256 without a label, and SHA-1 with the label "label".
const std::vector<BYTE> kOaepSha256 = {
    0x00, 0xc3, 0x7e, 0xdb, 0x69, 0xd4, 0xef, 0xe7, 0x00, 0x6f, 0x6d, 0x11, 0x13, 0xb8, 0x37, 0x43,
    0x06, 0xe1, 0x09, 0xd0, 0xfe, 0x35, 0x9c, 0xf9, 0xd6, 0x5a, 0x41, 0xaf, 0x2a, 0x78, 0x8b, 0xbe,
    0xce, 0x7c, 0xb0, 0xe3, 0x4f, 0xa6, 0xce, 0x89, 0xe7, 0x2b, 0x30, 0x0e, 0x27, 0x48, 0xdf, 0xe4,
    0xd1, 0x4d, 0x1b, 0xe5, 0x4f, 0xf8, 0xb5, 0x5c, 0x9a, 0xdf, 0xae, 0x7e, 0x4c, 0xd0, 0x24, 0xc2,
    0x93, 0x74, 0x7f, 0xea, 0x8f, 0x1f, 0x44, 0x06, 0x08, 0xdd, 0x2f, 0x3e, 0xf6, 0x57, 0xdb, 0xb6,
    0x81, 0xa8, 0xb0, 0x31, 0xda, 0xe2, 0xfe, 0x5c, 0x9a, 0xac, 0xf0, 0x1c, 0xa5, 0xdf, 0x04, 0x53,
    0x85, 0x0b, 0x1f, 0x4d, 0xa1, 0x22, 0x56, 0x61, 0x76, 0xf3, 0x93, 0xc1, 0x63, 0x4a, 0x27, 0x3f,
    0x66, 0x03, 0xcf, 0x6b, 0xa0, 0x6a, 0x1d, 0x00, 0x80, 0x12, 0xdd, 0x83, 0xcd, 0x10, 0x45, 0xb9};
const std::vector<BYTE> kOaepSha1Labelled = {
    0x00, 0x6b, 0xd8, 0xab, 0x64, 0xdf, 0xa1, 0xfa, 0xea, 0xc3, 0x3a, 0xe7, 0x90, 0xf9, 0x33, 0xa1,
    0xd8, 0x10, 0x75, 0x99, 0x4e, 0x60, 0x78, 0x28, 0xe2, 0x3d, 0x70, 0x9d, 0xdc, 0x0a, 0x7c, 0xde,
    0x86, 0xbd, 0xab, 0xa8, 0x43, 0x90, 0x77, 0x23, 0x78, 0xd7, 0x0c, 0x10, 0x02, 0xb2, 0x46, 0xf8,
    0x54, 0x76, 0x6b, 0x3e, 0x2a, 0x35, 0x3c, 0x51, 0xa6, 0xaa, 0xeb, 0x8a, 0x8e, 0x02, 0xeb, 0x5c,
    0xd3, 0xd4, 0x0d, 0xb3, 0x26, 0xea, 0xfa, 0xfa, 0x10, 0xa1, 0xf2, 0xe3, 0xa4, 0x7c, 0x21, 0x9f,
    0x1b, 0xd8, 0x2d, 0xfe, 0x74, 0x57, 0xc7, 0xdc, 0x4b, 0xcf, 0x52, 0xa5, 0x4e, 0x84, 0x39, 0xfb,
    0x0d, 0x40, 0x93, 0x6c, 0x0f, 0xa6, 0x52, 0x89, 0xc1, 0xcf, 0xf6, 0x47, 0x20, 0xe0, 0xe3, 0x8c,
    0x20, 0x79, 0x8e, 0x01, 0x43, 0xda, 0x29, 0xa1, 0xf5, 0x34, 0x75, 0x88, 0x22, 0xd3, 0x4a, 0xbd};

TEST(BCryptHashTest, HashesWithTheNamedAlgorithmAndFailsForAnUnknownOne) {
  EXPECT_EQ(Bytes({0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                   0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d}),
            HashBytes(L"SHA1", Text("abc")));
  CBCryptHash unknown(L"NO-SUCH-HASH");
  EXPECT_NE(0, unknown.status);
  EXPECT_TRUE(unknown.Finish().empty());
}

TEST(BuildPkcs1Type1BlockTest, WrapsTheHashInTheDigestInfoOfRfc8017) {
  struct Case {
    DWORD algId;
    const std::vector<BYTE>& prefix;
    DWORD hashLength;
  };
  const Case cases[] = {{kAlgSha256, kSha256Prefix, 32},
                        {kAlgSha1, kSha1Prefix, 20},
                        {kAlgMd5, kMd5Prefix, 16},
                        {kAlgSha512, kSha512Prefix, 64}};
  for (const Case& c : cases) {
    const std::vector<BYTE> hashBytes(c.hashLength, 0x3C);
    const CSecureBuffer hash = FromVector(hashBytes);
    CSecureBuffer block;
    ASSERT_TRUE(BuildPkcs1Type1Block(c.algId, hash, 256, block)) << c.algId;
    const DWORD digestInfoLength = static_cast<DWORD>(c.prefix.size()) + c.hashLength;
    ASSERT_EQ(256u, block.size);
    EXPECT_EQ(CSecureBuffer(static_cast<DWORD>(c.prefix.size()), c.prefix.data()),
              CSecureBuffer(static_cast<DWORD>(c.prefix.size()), block.data + 256 - digestInfoLength))
        << c.algId;
    EXPECT_EQ(hash, CSecureBuffer(c.hashLength, block.data + 256 - c.hashLength));
    EXPECT_EQ(0x00, block.data[256 - digestInfoLength - 1]);
    EXPECT_EQ(0xFF, block.data[256 - digestInfoLength - 2]);
  }
  // SHA-256: 00 01, 202 bytes FF, 00 and the 51-byte DigestInfo.
  CSecureBuffer block;
  ASSERT_TRUE(BuildPkcs1Type1Block(kAlgSha256, CSecureBuffer(32), 256, block));
  EXPECT_EQ(0x00, block.data[204]);
  EXPECT_EQ(0xFF, block.data[203]);
  EXPECT_EQ(0x01, block.data[1]);
  // The shortest block holds eight bytes FF; one byte less is refused.
  EXPECT_TRUE(BuildPkcs1Type1Block(kAlgSha256, CSecureBuffer(32), 51 + 11, block));
  EXPECT_FALSE(BuildPkcs1Type1Block(kAlgSha256, CSecureBuffer(32), 51 + 10, block));
}

TEST(BuildPkcs1Type1BlockTest, RefusesMd2AndMd4AndPadsTheTlsPairBare) {
  CSecureBuffer block;
  EXPECT_FALSE(BuildPkcs1Type1Block(0x8001, CSecureBuffer(16), 128, block));
  EXPECT_FALSE(BuildPkcs1Type1Block(0x8002, CSecureBuffer(16), 128, block));
  const CSecureBuffer pair(36, std::vector<BYTE>(36, 0x77).data());
  ASSERT_TRUE(BuildPkcs1Type1Block(kAlgSsl3ShaMd5, pair, 128, block));
  EXPECT_EQ(pair, CSecureBuffer(36, block.data + 92));
  EXPECT_EQ(0x00, block.data[91]);
  EXPECT_EQ(0xFF, block.data[90]);
}

TEST(Mgf1Test, CutsTheCounterDigestsToTheMaskLength) {
  const CSecureBuffer seed = Text("seed");
  const CSecureBuffer mask = Mgf1(L"SHA1", seed, 21);
  ASSERT_EQ(21u, mask.size);
  CSecureBuffer counter0 = seed, counter1 = seed;
  counter0.Append(4, "\0\0\0\0");
  counter1.Append(4, "\0\0\0\1");
  EXPECT_EQ(HashBytes(L"SHA1", counter0), CSecureBuffer(20, mask.data));
  EXPECT_EQ(HashBytes(L"SHA1", counter1).data[0], mask.data[20]);
  EXPECT_TRUE(Mgf1(L"NO-SUCH-HASH", seed, 21).empty());
}

TEST(DecodeOaepTest, DecodesOpenSslBlocksAndRejectsWrongLabelsFirstBytesAndShortBlocks) {
  EXPECT_EQ(Text("lumaPass OAEP"), DecodeOaep(FromVector(kOaepSha256), L"SHA256", CSecureBuffer()));
  EXPECT_EQ(Text("lumaPass OAEP"), DecodeOaep(FromVector(kOaepSha1Labelled), L"SHA1", Text("label")));

  EXPECT_TRUE(DecodeOaep(FromVector(kOaepSha1Labelled), L"SHA1", Text("other")).empty());
  EXPECT_TRUE(DecodeOaep(FromVector(kOaepSha256), L"SHA1", CSecureBuffer()).empty());
  std::vector<BYTE> firstByteSet = kOaepSha256;
  firstByteSet[0] = 0x01;
  EXPECT_TRUE(DecodeOaep(FromVector(firstByteSet), L"SHA256", CSecureBuffer()).empty());
  EXPECT_TRUE(DecodeOaep(FromVector(kOaepSha256), L"NO-SUCH-HASH", CSecureBuffer()).empty());
  // Shorter than 2 * 32 + 2 bytes: nothing is read beyond the block.
  EXPECT_TRUE(DecodeOaep(CSecureBuffer(65, kOaepSha256.data()), L"SHA256", CSecureBuffer()).empty());
  EXPECT_TRUE(DecodeOaep(CSecureBuffer(), L"SHA256", CSecureBuffer()).empty());
}

}  // namespace
}  // namespace luma::plugin
