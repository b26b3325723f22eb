#include "foundation/core/message_serialization.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"

namespace {

CSecureBuffer Serialized(CMessageSerialization& s) {
  CSecureBuffer out;
  EXPECT_TRUE(s.Serialize(out));
  return out;
}

TEST(MessageSerializationTest, GoldenBytesOfEachElementType) {
  CMessageSerialization dword;
  dword.AddDWORD(0x11);
  EXPECT_EQ(Serialized(dword), Bytes({0x0C, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 0x11, 0, 0, 0}));

  CMessageSerialization strings;
  strings.AddString(WSTR("AB"));
  strings.AddString(WSTR(""));
  EXPECT_EQ(Serialized(strings), Bytes({0x14, 0, 0, 0, 0, 1, 0, 0, 4, 0, 0, 0, 0x41, 0, 0x42, 0,  //
                                        0,    1, 0, 0, 0, 0, 0, 0}));

  CMessageSerialization blob;
  blob.AddBlob(CSecureBuffer());
  EXPECT_EQ(Serialized(blob), Bytes({8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));

  CMessageSerialization empty;
  EXPECT_EQ(Serialized(empty), Bytes({0, 0, 0, 0}));
}

TEST(MessageSerializationTest, RoundTripAndTypedReads) {
  CMessageSerialization writer;
  ASSERT_TRUE(writer.AddDWORD(0xDEADBEEF));
  ASSERT_TRUE(writer.AddString(WSTR("r\u00e9ader")));
  ASSERT_TRUE(writer.AddBlob(Bytes({9, 8, 7})));
  ASSERT_TRUE(writer.AddBlob(CSecureBuffer()));
  CSecureBuffer wire = Serialized(writer);

  CMessageSerialization reader;
  DWORD consumed = 0;
  ASSERT_TRUE(reader.Deserialize(wire, consumed));
  EXPECT_EQ(consumed, wire.size);

  WString text;
  EXPECT_FALSE(reader.GetString(text));  // wrong type: nothing consumed
  DWORD value = 0;
  ASSERT_TRUE(reader.GetDWORD(value));
  EXPECT_EQ(value, 0xDEADBEEFu);
  CSerializationElement peeked;
  ASSERT_TRUE(reader.PeekElement(peeked));
  EXPECT_EQ(peeked.type, static_cast<DWORD>(ElementTypeString));
  ASSERT_TRUE(reader.GetString(text));
  EXPECT_EQ(text, WSTR("r\u00e9ader"));
  CSecureBuffer blob = Bytes({1});
  ASSERT_TRUE(reader.GetBlob(blob));
  EXPECT_EQ(blob, Bytes({9, 8, 7}));
  ASSERT_TRUE(reader.GetBlob(blob));
  EXPECT_TRUE(blob.empty());

  EXPECT_FALSE(reader.PeekElement(peeked));
  EXPECT_FALSE(reader.GetDWORD(value));
  EXPECT_FALSE(reader.GetString(text));
  EXPECT_FALSE(reader.GetBlob(blob));
}

TEST(MessageSerializationTest, TrailingBytesAreIgnoredAndNotConsumed) {
  CMessageSerialization reader;
  DWORD consumed = 0;
  ASSERT_TRUE(reader.Deserialize(Bytes({0, 0, 0, 0, 0xAA, 0xBB}), consumed));
  EXPECT_EQ(consumed, 4u);
  EXPECT_FALSE(reader.HasMoreElements());

  ASSERT_TRUE(reader.Deserialize(Bytes({0x0C, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 0xEE}), consumed));
  EXPECT_EQ(consumed, 16u);
  EXPECT_EQ(reader.ElementCount(), 1u);
}

TEST(MessageSerializationTest, OddStringLengthIgnoresTheLastByte) {
  CMessageSerialization reader;
  DWORD consumed = 0;
  ASSERT_TRUE(reader.Deserialize(Bytes({11, 0, 0, 0, 0, 1, 0, 0, 3, 0, 0, 0, 0x41, 0, 0x42}), consumed));
  WString text;
  ASSERT_TRUE(reader.GetString(text));
  EXPECT_EQ(text, WSTR("A"));
}

TEST(MessageSerializationTest, MalformedMessagesFailWithInvalidData) {
  struct Case {
    const char* what;
    CSecureBuffer bytes;
  } cases[] = {
      {"three bytes", Bytes({0, 0, 0})},
      {"no bytes", CSecureBuffer()},
      {"total of 1", Bytes({1, 0, 0, 0, 0})},
      {"total of 7", Bytes({7, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0})},
      {"total larger than the input", Bytes({0x10, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0})},
      {"truncated element header", Bytes({0x10, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0})},
      {"element past the input", Bytes({0x0C, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0, 5, 0, 0, 0})},
      {"element past the declared total though inside the input",
       Bytes({0x0C, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0})},
      {"huge element length", Bytes({0x0C, 0, 0, 0, 1, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0})},
      {"huge total", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0})},
      {"total wrapping with the header", Bytes({0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0})},
  };
  for (const auto& c : cases) {
    CMessageSerialization reader;
    DWORD consumed = 99;
    SetLastError(0);
    EXPECT_FALSE(reader.Deserialize(c.bytes, consumed)) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << c.what;
    EXPECT_EQ(consumed, 0u) << c.what;
  }
}

TEST(MessageSerializationTest, ShortIntegerElementIsRefusedWithoutOverread) {
  CMessageSerialization reader;
  DWORD consumed = 0;
  ASSERT_TRUE(reader.Deserialize(Bytes({10, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 5, 0}), consumed));
  DWORD value = 7;
  EXPECT_FALSE(reader.GetDWORD(value));
  EXPECT_EQ(value, 7u);
}

TEST(MessageSerializationTest, ElementDeserializeReportsConsumedBytes) {
  const CSecureBuffer bytes = Bytes({0, 0, 1, 0, 2, 0, 0, 0, 0xAB, 0xCD, 0xEF});
  CSerializationElement element;
  EXPECT_EQ(element.Deserialize(bytes.data, bytes.size), 10u);
  EXPECT_EQ(element.type, static_cast<DWORD>(ElementTypeBlob));
  EXPECT_EQ(element.value, Bytes({0xAB, 0xCD}));
  EXPECT_EQ(element.Deserialize(bytes.data, 9), 0u);
  EXPECT_EQ(element.type, 0u);
  EXPECT_TRUE(element.value.empty());
  EXPECT_EQ(element.Deserialize(bytes.data, 7), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST(MessageSerializationTest, AllocationFailureWhileWritingIsReported) {
  CMessageSerialization writer;
  writer.AddDWORD(1);
  CSecureBuffer out = Bytes({1});
  luma::testing::FailNextHeapAllocations(1);
  SetLastError(0);
  EXPECT_FALSE(writer.Serialize(out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
  EXPECT_EQ(out, Bytes({1}));

  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(writer.AddString(WSTR("pin")));
  luma::testing::FailNextHeapAllocations(1);
  EXPECT_FALSE(writer.AddDWORD(2));
  EXPECT_EQ(writer.ElementCount(), 1u);
}

}  // namespace
