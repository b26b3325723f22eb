#include "pkcs11/core/certificate_values.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using luma::pkcs11::checkValueOf;
using luma::pkcs11::claimUniqueLabel;
using luma::pkcs11::encodeSerialNumber;
using luma::pkcs11::stripLeadingZeros;

std::vector<std::uint8_t> bytesOf(const CByteBuffer& buffer) {
  return std::vector<std::uint8_t>(buffer.data(), buffer.data() + buffer.size());
}

CByteBuffer make(const std::vector<std::uint8_t>& bytes) { return CByteBuffer(bytes.size(), bytes.data()); }

TEST(SerialNumberTest, BigEndianIntegerWithTheShortestLengthForm) {
  EXPECT_EQ(bytesOf(encodeSerialNumber(make({0x34, 0x12}))),
            (std::vector<std::uint8_t>{0x02, 0x02, 0x12, 0x34}));

  struct Case {
    std::size_t contentSize;
    std::vector<std::uint8_t> header;
  };
  const Case cases[] = {
      {127, {0x02, 0x7F}},        // the last short form
      {128, {0x02, 0x81, 0x80}},  // a one-byte count would read as the long form marker
      {255, {0x02, 0x81, 0xFF}},
      {300, {0x02, 0x82, 0x01, 0x2C}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> serial(c.contentSize);
    for (std::size_t i = 0; i < serial.size(); ++i) serial[i] = static_cast<std::uint8_t>(i + 1);
    const std::vector<std::uint8_t> encoded = bytesOf(encodeSerialNumber(make(serial)));
    ASSERT_EQ(encoded.size(), c.header.size() + c.contentSize) << c.contentSize;
    EXPECT_EQ(std::vector<std::uint8_t>(encoded.begin(), encoded.begin() + c.header.size()), c.header);
    EXPECT_EQ(encoded[c.header.size()], serial.back()) << "most significant byte first";
    EXPECT_EQ(encoded.back(), serial.front());
  }
}

TEST(CertificateValuesTest, CheckValueAndLeadingZeros) {
  EXPECT_EQ(bytesOf(checkValueOf(make({1, 2, 3, 4, 5}))), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(bytesOf(checkValueOf(make({1, 2}))), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(bytesOf(stripLeadingZeros(make({0, 0, 1, 0}))), (std::vector<std::uint8_t>{1, 0}));
  EXPECT_TRUE(stripLeadingZeros(make({0, 0})).empty());
  EXPECT_TRUE(stripLeadingZeros(CByteBuffer()).empty());
}

TEST(LabelTest, SuffixesCountFromTwoAndAlwaysFollowTheBareName) {
  std::set<std::string> used;
  EXPECT_EQ(claimUniqueLabel(used, "Alice"), "Alice");
  EXPECT_EQ(claimUniqueLabel(used, "Alice"), "Alice [2]");
  EXPECT_EQ(claimUniqueLabel(used, "Alice"), "Alice [3]");
  EXPECT_EQ(claimUniqueLabel(used, "Bob"), "Bob");
  // A name that already looks suffixed is its own name; its duplicates get their own suffix.
  EXPECT_EQ(claimUniqueLabel(used, "Alice [2]"), "Alice [2] [2]");

  std::set<std::string> kept = {"Carol [2]"};  // e.g. a kept object already uses the second label
  EXPECT_EQ(claimUniqueLabel(kept, "Carol"), "Carol");
  EXPECT_EQ(claimUniqueLabel(kept, "Carol"), "Carol [3]");
}

}  // namespace
