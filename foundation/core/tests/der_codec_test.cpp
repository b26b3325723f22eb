#include "foundation/core/der_codec.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"

namespace {
using namespace luma::der;

TEST(DerCodecTest, ReadElementAcceptsOnlyStrictDefiniteLengths) {
  struct Case {
    CSecureBuffer bytes;
    bool ok;
    DWORD contentSize;
  } cases[] = {
      {Bytes({0x04, 0x00}), true, 0},
      {Bytes({0x04, 0x02, 0xAA, 0xBB, 0xCC}), true, 2},  // trailing bytes belong to the caller
      {Bytes({0x04, 0x81, 0x80}), false, 0},             // content cut off
      {Bytes({0x04, 0x81, 0x7F}), false, 0},             // long form where the short one fits
      {Bytes({0x04, 0x82, 0x00, 0x80}), false, 0},       // leading zero in the length
      {Bytes({0x30, 0x80, 0x00, 0x00}), false, 0},       // indefinite length
      {Bytes({0x04, 0x85, 1, 0, 0, 0, 0}), false, 0},    // length longer than 32 bits
      {Bytes({0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}), false, 0},
      {Bytes({0xBF, 0x21, 0x00}), false, 0},  // high-tag-number form
      {Bytes({0x1F, 0x01, 0x00}), false, 0},
      {Bytes({0x04}), false, 0},
  };
  for (const auto& c : cases) {
    Element element;
    EXPECT_EQ(ReadElement(c.bytes.data, c.bytes.size, element), c.ok) << ::testing::PrintToString(c.bytes);
    if (c.ok) {
      EXPECT_EQ(element.contentSize, c.contentSize);
    }
  }
  Element element;
  EXPECT_FALSE(ReadElement(nullptr, 0, element));
  const CSecureBuffer trailing = Bytes({0x04, 0x00, 0x00});
  EXPECT_FALSE(ReadWholeElement(trailing.data, trailing.size, element));
}

TEST(DerCodecTest, LongLengthsRoundTrip) {
  std::vector<BYTE> content(300, 0x5A);
  CSecureBuffer encoding;
  ASSERT_TRUE(AppendElement(kTagOctetString, content.data(), 300, encoding));
  ASSERT_EQ(encoding.size, 304u);
  EXPECT_EQ(ToVector(encoding).at(1), 0x82);
  Element element;
  ASSERT_TRUE(ReadWholeElement(encoding.data, encoding.size, element));
  EXPECT_EQ(element.contentSize, 300u);
}

TEST(DerCodecTest, ChildrenMustFillTheParent) {
  const CSecureBuffer good = Bytes({0x30, 0x06, 0x02, 0x01, 0x01, 0x04, 0x01, 0xAA});
  const CSecureBuffer cut = Bytes({0x30, 0x05, 0x02, 0x01, 0x01, 0x04, 0x01});
  Element parent;
  std::vector<Element> children;
  ASSERT_TRUE(ReadWholeElement(good.data, good.size, parent));
  ASSERT_TRUE(ReadChildren(parent, children));
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[1].tag, kTagOctetString);
  ASSERT_TRUE(ReadWholeElement(cut.data, cut.size, parent));
  EXPECT_FALSE(ReadChildren(parent, children));
  const CSecureBuffer primitive = Bytes({0x04, 0x02, 0x05, 0x00});
  ASSERT_TRUE(ReadWholeElement(primitive.data, primitive.size, parent));
  EXPECT_FALSE(ReadChildren(parent, children));
}

TEST(DerCodecTest, ObjectIdentifiersRoundTripAndRejectNonMinimalArcs) {
  struct Case {
    std::string dotted;
    CSecureBuffer content;
  } cases[] = {
      {"2.16.840.1.101.3.4.2.1", Bytes({0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01})},
      {"1.3.6.1.4.1.311.20.2.3", Bytes({0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x14, 0x02, 0x03})},
      {"2.999.3", Bytes({0x88, 0x37, 0x03})},
      {"0.0", Bytes({0x00})},
      {"1.2.4294967295", Bytes({0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})},
  };
  for (const auto& c : cases) {
    std::string dotted;
    ASSERT_TRUE(DecodeOid(c.content.data, c.content.size, dotted)) << c.dotted;
    EXPECT_EQ(dotted, c.dotted);
    CSecureBuffer content;
    ASSERT_TRUE(EncodeOid(c.dotted, content)) << c.dotted;
    EXPECT_EQ(content, c.content);
  }
  for (const CSecureBuffer& bad :
       {Bytes({0x2A, 0x80, 0x01}), Bytes({0x2A, 0x86}), Bytes({0x2A, 0x90, 0x80, 0x80, 0x80, 0x00})}) {
    std::string dotted;
    EXPECT_FALSE(DecodeOid(bad.data, bad.size, dotted)) << ::testing::PrintToString(bad);
  }
  std::string dotted;
  EXPECT_FALSE(DecodeOid(nullptr, 0, dotted));
  for (const char* bad : {"", "1", "1.", "3.1", "1.40", "1.2.x", "1..2", "1.2.4294967296"}) {
    CSecureBuffer content;
    EXPECT_FALSE(EncodeOid(bad, content)) << bad;
  }
}

TEST(DerCodecTest, Int32NeedsMinimalFormAndFourBytesAtMost) {
  struct Case {
    CSecureBuffer content;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {Bytes({0xFF}), true, -1},
      {Bytes({0x00, 0x80}), true, 128},
      {Bytes({0x7F, 0xFF, 0xFF, 0xFF}), true, 0x7FFFFFFF},
      {Bytes({0x80, 0x00, 0x00, 0x00}), true, INT32_MIN},
      {Bytes({0x00, 0x01}), false, 0},
      {Bytes({0xFF, 0x80}), false, 0},
      {Bytes({0x01, 0x00, 0x00, 0x00, 0x00}), false, 0},
      {CSecureBuffer(), false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 0;
    EXPECT_EQ(DecodeInt32(c.content.data, c.content.size, value), c.ok)
        << ::testing::PrintToString(c.content);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(DerCodecTest, TextOfTheStringTypes) {
  struct Case {
    CSecureBuffer encoding;
    bool ok;
    WString text;
  } cases[] = {
      {Bytes({0x0C, 0x03, 'a', 'b', 'c'}), true, WSTR("abc")},
      {Bytes({0x0C, 0x02, 0xC3, 0xA4}), true, WString(1, WCHAR(0xE4))},
      {Bytes({0x0C, 0x04, 0xF0, 0x9F, 0x98, 0x80}), true, WString{WCHAR(0xD83D), WCHAR(0xDE00)}},
      {Bytes({0x16, 0x02, 'a', 'b'}), true, WSTR("ab")},
      {Bytes({0x1E, 0x02, 0x00, 0xE4}), true, WString(1, WCHAR(0xE4))},
      {Bytes({0x0C, 0x02, 0xC0, 0x80}), false, WString()},        // overlong zero
      {Bytes({0x0C, 0x03, 0xED, 0xA0, 0x80}), false, WString()},  // encoded surrogate
      {Bytes({0x0C, 0x01, 0xE4}), false, WString()},              // cut off
      {Bytes({0x16, 0x01, 0xE4}), false, WString()},              // not IA5
      {Bytes({0x1E, 0x01, 0x00}), false, WString()},              // odd BMP size
      {Bytes({0x04, 0x01, 'a'}), false, WString()},
      {Bytes({0x12, 0x02, '4', '2'}), true, WSTR("42")},           // NumericString
      {Bytes({0x1A, 0x01, 0xE4}), false, WString()},               // VisibleString is 7-bit
      {Bytes({0x14, 0x01, 0xE4}), true, WString(1, WCHAR(0xE4))},  // TeletexString: Latin-1
      {Bytes({0x1C, 0x04, 0x00, 0x01, 0xF6, 0x00}), true, WString{WCHAR(0xD83D), WCHAR(0xDE00)}},
      {Bytes({0x1C, 0x04, 0x00, 0x00, 0xD8, 0x00}), false, WString()},  // a surrogate as UCS-4
      {Bytes({0x1C, 0x04, 0x00, 0x11, 0x00, 0x00}), false, WString()},  // above U+10FFFF
      {Bytes({0x1C, 0x02, 0x00, 0x41}), false, WString()},              // not whole UCS-4 units
  };
  for (const auto& c : cases) {
    Element element;
    ASSERT_TRUE(ReadWholeElement(c.encoding.data, c.encoding.size, element));
    WString text = WSTR("unchanged");
    EXPECT_EQ(DecodeText(element, text), c.ok) << ::testing::PrintToString(c.encoding);
    EXPECT_EQ(text, c.ok ? c.text : WString(WSTR("unchanged")));
  }
}

TEST(DerCodecTest, AppendElementReportsMemoryFailure) {
  CSecureBuffer out;
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(AppendElement(kTagNull, nullptr, 0, out));
  luma::testing::FailNextHeapAllocations(0);
  // A failure after earlier elements leaves them as they were, with no partial header behind.
  ASSERT_TRUE(AppendElement(kTagNull, nullptr, 0, out));
  const BYTE content[200] = {};
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(AppendElement(kTagOctetString, content, sizeof(content), out));
  luma::testing::FailNextHeapAllocations(0);
  EXPECT_EQ(out.size, 2u);
}

}  // namespace
