#include "plugins/common/core/container_record.h"

#include <gtest/gtest.h>

#include "foundation/core/little_endian.h"

namespace luma::plugin {
namespace {

CSecureBuffer Record(const WString& name, DWORD keySpec, DWORD keyBits, DWORD size = kContainerInfoSize) {
  CSecureBuffer record(size);
  for (size_t i = 0; i < name.size() && 2 * i + 1 < size; ++i) {
    record.data[2 * i] = static_cast<BYTE>(name[i]);
    record.data[2 * i + 1] = static_cast<BYTE>(name[i] >> 8);
  }
  if (size >= kContainerInfoSize) {
    luma::WriteLE32(record.data + 84, keySpec);
    luma::WriteLE32(record.data + 88, keyBits);
  }
  return record;
}

TEST(ContainerRecordTest, ReadsNameKeySpecAndLength) {
  const ContainerRecord parsed = ParseContainerRecord(Record(WSTR("Alice-Key"), kAtSignature, 2048));
  EXPECT_EQ(WString(WSTR("Alice-Key")), parsed.name);
  EXPECT_EQ(kAtSignature, parsed.keySpec);
  EXPECT_EQ(2048u, parsed.keyBits);
}

TEST(ContainerRecordTest, ReadsTheDefaultFlag) {
  CSecureBuffer record = Record(WSTR("Default"), kAtKeyExchange, 2048);
  EXPECT_EQ(0u, ParseContainerRecord(record).defaultFlag);
  luma::WriteLE32(record.data + 80, 1);
  EXPECT_EQ(1u, ParseContainerRecord(record).defaultFlag);
}

TEST(ContainerRecordTest, ShortRecordReadsAsZeroesAndAnUnterminatedNameStopsAtFortyUnits) {
  const ContainerRecord shortRecord = ParseContainerRecord(Record(WSTR("Alice"), 1, 2048, 91));
  EXPECT_TRUE(shortRecord.name.empty());
  EXPECT_EQ(0u, shortRecord.keySpec);
  EXPECT_EQ(0u, shortRecord.keyBits);

  const WString full(45, WCHAR('x'));
  CSecureBuffer record = Record(full, 1, 1024);
  EXPECT_EQ(40u, ParseContainerRecord(record).name.size());
}

TEST(ToLowerWideTest, FoldsOnlyAsciiCapitals) {
  EXPECT_EQ(WString(WSTR("abc-xyz@[`{")), ToLowerWide(WString(WSTR("AbC-XYZ@[`{"))));
  const WString umlaut(1, WCHAR(0x00C4));  // Ä stays
  EXPECT_EQ(umlaut, ToLowerWide(umlaut));
}

}  // namespace
}  // namespace luma::plugin
