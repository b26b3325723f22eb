#include "pkcs11/core/digest_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using luma::pkcs11::CSignedDigest;
using luma::pkcs11::parseSignedDigest;
using Bytes = std::vector<std::uint8_t>;

CByteBuffer make(const Bytes& bytes) { return CByteBuffer(bytes.size(), bytes.data()); }

void append(Bytes& to, const Bytes& bytes) {
  for (std::uint8_t byte : bytes) to.push_back(byte);
}

// SEQUENCE { SEQUENCE { OID, NULL }, OCTET STRING hash } for short lengths.
Bytes digestInfo(const Bytes& oidContent, std::size_t hashSize, bool withNull = true) {
  Bytes algorithm = {0x06, static_cast<std::uint8_t>(oidContent.size())};
  append(algorithm, oidContent);
  if (withNull) append(algorithm, Bytes{0x05, 0x00});
  Bytes body = {0x30, static_cast<std::uint8_t>(algorithm.size())};
  append(body, algorithm);
  append(body, Bytes{0x04, static_cast<std::uint8_t>(hashSize)});
  for (std::size_t index = 0; index < hashSize; ++index) body.push_back(static_cast<std::uint8_t>(index + 1));
  Bytes all = {0x30, static_cast<std::uint8_t>(body.size())};
  append(all, body);
  return all;
}

const Bytes kSha1 = {0x2B, 0x0E, 0x03, 0x02, 0x1A};
const Bytes kSha256 = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
const Bytes kSha512 = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03};
const Bytes kUnknown = {0x2A, 0x03, 0x04};

std::u16string nameOf(const WCHAR* name) {
  std::u16string text;
  for (; name != nullptr && *name != 0; ++name) text.push_back(static_cast<char16_t>(*name));
  return text;
}

TEST(DigestInfoTest, KnownAlgorithmsGiveTheirIdsNamesAndHash) {
  struct Case {
    Bytes input;
    DWORD algId;
    std::u16string name;
    std::size_t hashSize;
  };
  const Case cases[] = {
      {digestInfo(kSha1, 20), 0x8004, u"SHA1", 20},
      {digestInfo(kSha256, 32), 0x800C, u"SHA256", 32},
      {digestInfo(kSha256, 32, false), 0x800C, u"SHA256", 32},  // parameters absent
      {digestInfo(kSha512, 64), 0x800E, u"SHA512", 64},
      {digestInfo(kUnknown, 7), 0xFFFFFFFF, u"", 7},  // unknown: no name, the octets as they stand
  };
  for (const Case& c : cases) {
    CSignedDigest parsed;
    ASSERT_EQ(CKR_OK, parseSignedDigest(make(c.input), parsed));
    EXPECT_EQ(c.algId, parsed.algId);
    EXPECT_EQ(c.name, nameOf(parsed.cngName));
    ASSERT_EQ(c.hashSize, parsed.hash.size());
    EXPECT_EQ(1, parsed.hash.data()[0]);
    EXPECT_EQ(c.hashSize, parsed.hash.data()[c.hashSize - 1]);
  }
  EXPECT_EQ(51u, digestInfo(kSha256, 32).size());
}

TEST(DigestInfoTest, TheSsl3PairIsTakenAsItStands) {
  const Bytes pair(36, 0x5A);
  CSignedDigest parsed;
  ASSERT_EQ(CKR_OK, parseSignedDigest(make(pair), parsed));
  EXPECT_EQ(0x8008u, parsed.algId);
  EXPECT_EQ(nullptr, parsed.cngName);
  EXPECT_EQ(36u, parsed.hash.size());
}

TEST(DigestInfoTest, MalformedInputAndHashesOfTheWrongLengthAreOutOfRange) {
  Bytes trailing = digestInfo(kSha1, 20);
  append(trailing, Bytes{0, 0});  // 37 bytes: not taken for the 36-byte pair
  Bytes notOctets = digestInfo(kSha1, 20);
  notOctets[2 + 2 + kSha1.size() + 2 + 2] = 0x03;
  const Bytes cases[] = {
      Bytes(20, 0x11),          // a bare SHA-1 hash
      Bytes(),                  // nothing
      digestInfo(kSha1, 19),    // short: would be read past
      digestInfo(kSha1, 22),    // long: would be cut
      digestInfo(kSha256, 20),  // SHA-1's length under SHA-256
      trailing,
      notOctets,
      {0x30, 0x03, 0x30, 0x01},  // length beyond the input
  };
  for (const Bytes& input : cases) {
    CSignedDigest parsed;
    EXPECT_EQ(CKR_DATA_LEN_RANGE, parseSignedDigest(make(input), parsed)) << input.size();
  }
}

}  // namespace
