#include "pkcs11/core/attribute_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using luma::pkcs11::AttributeKind;
using luma::pkcs11::readTemplateValue;
using luma::pkcs11::templateValueMatches;
using luma::pkcs11::writeAttributeValue;

CByteBuffer text(const char* value) { return CByteBuffer(std::strlen(value), value); }

TEST(WriteAttributeValueTest, LengthQueryTooSmallAndExactBuffers) {
  const CByteBuffer label = text("Alice");
  CK_ATTRIBUTE query = {CKA_LABEL, nullptr, 0};
  EXPECT_EQ(writeAttributeValue(query, label), CKR_OK);
  EXPECT_EQ(query.ulValueLen, 5u);  // no terminating zero

  char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  CK_ATTRIBUTE tooSmall = {CKA_LABEL, buffer, 4};
  EXPECT_EQ(writeAttributeValue(tooSmall, label), CKR_BUFFER_TOO_SMALL);
  EXPECT_EQ(tooSmall.ulValueLen, 5u);
  EXPECT_EQ(std::string(buffer, 8), "xxxxxxxx") << "nothing is written into a short buffer";

  CK_ATTRIBUTE larger = {CKA_LABEL, buffer, sizeof(buffer)};
  EXPECT_EQ(writeAttributeValue(larger, label), CKR_OK);
  EXPECT_EQ(larger.ulValueLen, 5u);
  EXPECT_EQ(std::string(buffer, 8), "Alicexxx");

  CK_ATTRIBUTE empty = {CKA_ID, buffer, 0};
  EXPECT_EQ(writeAttributeValue(empty, CByteBuffer()), CKR_OK);
  EXPECT_EQ(empty.ulValueLen, 0u);
}

TEST(ReadTemplateValueTest, RefusesNullPointersAndOversizedLengths) {
  CByteBuffer out = text("old");
  CK_ATTRIBUTE nullValue = {CKA_LABEL, nullptr, 3};
  EXPECT_FALSE(readTemplateValue(nullValue, out));
  EXPECT_EQ(out, text("old"));

  CK_ATTRIBUTE emptyValue = {CKA_LABEL, nullptr, 0};
  EXPECT_TRUE(readTemplateValue(emptyValue, out));
  EXPECT_TRUE(out.empty());

  char small[4] = {'a', 'b', 'c', 'd'};
  CK_ATTRIBUTE oversized = {CKA_LABEL, small, 0xFFFFFFFFu};  // a caller's lie about its buffer
  EXPECT_FALSE(readTemplateValue(oversized, out));
  CK_ATTRIBUTE fits = {CKA_LABEL, small, 4};
  EXPECT_TRUE(readTemplateValue(fits, out));
  EXPECT_EQ(out, text("abcd"));
}

TEST(TemplateMatchTest, EachKindNeedsItsExactLengthAndValue) {
  const CByteBuffer privateKeyClass = CByteBuffer::fromUlong(CKO_PRIVATE_KEY);
  const CByteBuffer trueFlag = CByteBuffer::fromByte(CK_TRUE);
  const CByteBuffer falseFlag = CByteBuffer::fromByte(CK_FALSE);

  CK_ULONG classValue = CKO_PRIVATE_KEY;
  std::uint64_t wideClass = CKO_PRIVATE_KEY;
  CK_ULONG otherClass = CKO_PUBLIC_KEY;
  CK_BBOOL one = 1, two = 2, zero = 0;
  char label[] = "Alice";
  struct Case {
    const char* name;
    CK_ATTRIBUTE entry;
    AttributeKind kind;
    const CByteBuffer* value;
    bool matches;
  };
  const CByteBuffer alice = text("Alice");
  const CByteBuffer none;
  const Case cases[] = {
      {"ulong equal", {CKA_CLASS, &classValue, 4}, AttributeKind::Ulong, &privateKeyClass, true},
      {"ulong other value", {CKA_CLASS, &otherClass, 4}, AttributeKind::Ulong, &privateKeyClass, false},
      {"ulong given in 8 bytes", {CKA_CLASS, &wideClass, 8}, AttributeKind::Ulong, &privateKeyClass, false},
      {"ulong null pointer", {CKA_CLASS, nullptr, 4}, AttributeKind::Ulong, &privateKeyClass, false},
      {"bool 1 is TRUE", {CKA_TOKEN, &one, 1}, AttributeKind::Bool, &trueFlag, true},
      {"bool 2 is FALSE, not TRUE", {CKA_TOKEN, &two, 1}, AttributeKind::Bool, &trueFlag, false},
      {"bool 2 counts as FALSE", {CKA_TOKEN, &two, 1}, AttributeKind::Bool, &falseFlag, true},
      {"bool 0 is FALSE", {CKA_TOKEN, &zero, 1}, AttributeKind::Bool, &falseFlag, true},
      {"bool in 4 bytes", {CKA_TOKEN, &classValue, 4}, AttributeKind::Bool, &trueFlag, false},
      {"bytes equal", {CKA_LABEL, label, 5}, AttributeKind::Bytes, &alice, true},
      {"bytes with the zero", {CKA_LABEL, label, 6}, AttributeKind::Bytes, &alice, false},
      {"bytes prefix", {CKA_LABEL, label, 4}, AttributeKind::Bytes, &alice, false},
      {"bytes null pointer", {CKA_LABEL, nullptr, 5}, AttributeKind::Bytes, &alice, false},
      {"empty matches empty", {CKA_ID, nullptr, 0}, AttributeKind::Bytes, &none, true},
      {"empty matches only empty", {CKA_ID, nullptr, 0}, AttributeKind::Bytes, &alice, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(templateValueMatches(c.entry, c.kind, *c.value), c.matches) << c.name;
  }
}

TEST(TemplateMatchTest, AnOversizedLengthIsNeverReadBeyondTheObjectsOwnValue) {
  // A four-byte heap block with a claimed length of 4 GiB: the sanitizers catch any read past it.
  auto block = std::make_unique<char[]>(4);
  std::memcpy(block.get(), "Alic", 4);
  CK_ATTRIBUTE entry = {CKA_LABEL, block.get(), 0xFFFFFFFFu};
  EXPECT_FALSE(templateValueMatches(entry, AttributeKind::Bytes, text("Alice")));
  entry.ulValueLen = 0x7FFFFFFFu;
  EXPECT_FALSE(templateValueMatches(entry, AttributeKind::Ulong, CByteBuffer::fromUlong(1)));
  EXPECT_FALSE(templateValueMatches(entry, AttributeKind::Bool, CByteBuffer::fromByte(1)));
}

TEST(ReadableValueLengthTest, ATraceNeverReadsPastTheCallersBuffer) {
  CK_BYTE buffer[16];
  struct Case {
    const char* name;
    CK_ATTRIBUTE answered;
    CK_RV answer;
    CK_ULONG callerLength;
    CK_ULONG readable;
  };
  const Case cases[] = {
      {"written, shorter than the buffer", {CKA_LABEL, buffer, 5}, CKR_OK, 16, 5},
      {"written, filling the buffer", {CKA_LABEL, buffer, 16}, CKR_OK, 16, 16},
      {"a length query", {CKA_LABEL, nullptr, 300}, CKR_OK, 0, 0},
      {"too small: the needed length", {CKA_LABEL, buffer, 300}, CKR_BUFFER_TOO_SMALL, 16, 0},
      {"sensitive",
       {CKA_PRIVATE_EXPONENT, buffer, CK_UNAVAILABLE_INFORMATION},
       CKR_ATTRIBUTE_SENSITIVE,
       16,
       0},
      {"unknown type", {CKA_VALUE, buffer, CK_UNAVAILABLE_INFORMATION}, CKR_ATTRIBUTE_TYPE_INVALID, 16, 0},
      {"a length above the buffer", {CKA_LABEL, buffer, 300}, CKR_OK, 16, 16},
      {"a search value beyond any template value",
       {CKA_LABEL, buffer, 0x7FFFFFFF},
       CKR_OK,
       0x7FFFFFFF,
       luma::pkcs11::kMaxTemplateValueSize},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.readable, luma::pkcs11::readableValueLength(c.answered, c.answer, c.callerLength)) << c.name;
  }
}

}  // namespace
