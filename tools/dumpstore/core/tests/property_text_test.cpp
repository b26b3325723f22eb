// The value texts of the store lister: hex dump rows, PIN sets and PIN information, key types,
// certificate file names and the property table's lookup rules.
#include "tools/dumpstore/core/property_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dumpstore/core/property_table.h"

namespace {

using namespace luma::dumpstore;

std::string Dump(const std::vector<std::uint8_t>& bytes) { return hexDump(bytes.data(), bytes.size()); }

TEST(HexDumpTest, EmptyValueGivesOnlyTheClosingLines) { EXPECT_EQ(Dump({}), "\n\n"); }

TEST(HexDumpTest, TwentyBytesMakeAFullRowAndAPaddedOne) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 20; ++i) bytes.push_back(static_cast<std::uint8_t>(0x41 + i));
  bytes[1] = 0x1F;  // below printable
  bytes[2] = 0x7F;  // above printable
  bytes[3] = 0x20;
  const std::string expected =
      "\n  00000000| 41 1f 7f 20 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50 |A.. EFGHIJKLMNOP|"
      "\n  00000010| 51 52 53 54                                      |QRST            |"
      "\n\n";
  EXPECT_EQ(Dump(bytes), expected);
}

TEST(HexDumpTest, ExactlyOneRowHasNoSecondRow) {
  const std::string dump = Dump(std::vector<std::uint8_t>(16, 0xFF));
  EXPECT_EQ(dump, "\n  00000000| ff ff ff ff ff ff ff ff  ff ff ff ff ff ff ff ff |................|\n\n");
}

TEST(PinTextTest, PinSetNamesListTheSetLowBitsInOrder) {
  EXPECT_EQ(pinSetNames(0), "");
  EXPECT_EQ(pinSetNames(1), "EVERYONE");
  EXPECT_EQ(pinSetNames(0x06), "USER ADMIN");
  EXPECT_EQ(pinSetNames(0xFFFFFF88), "3 7");  // bits above 7 are not shown
}

TEST(PinTextTest, PinIdAndKeyTypeNameKnownValuesOnly) {
  EXPECT_EQ(FormatPinId(0), "\n  PIN ID: 0 (EVERYONE)\n\n");
  EXPECT_EQ(FormatPinId(2), "\n  PIN ID: 2 (ADMIN)\n\n");
  EXPECT_EQ(FormatPinId(3), "\n  PIN ID: 3\n\n");
  EXPECT_EQ(FormatPinId(0xFFFFFFFF), "\n  PIN ID: -1\n\n");
  EXPECT_EQ(FormatKeyClassification(0), "\n  CertKeyType: 0 (KeyTypeOther)\n\n");
  EXPECT_EQ(FormatKeyClassification(8), "\n  CertKeyType: 8 (KeyTypeSelfSigned)\n\n");
  EXPECT_EQ(FormatKeyClassification(9), "\n  CertKeyType: 9\n\n");
}

std::vector<std::uint8_t> PinInfo(std::vector<std::uint32_t> dwords) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t d : dwords) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(d >> (8 * i)));
  }
  return bytes;
}

TEST(PinTextTest, PinInfoNamesEveryField) {
  // dwVersion, PinType, PinPurpose, change, unblock, cache version, cache type, cache info, flags
  const auto known = PinInfo({6, 3, 6, 0x3, 0x104, 6, 1, 300, 1});
  EXPECT_EQ(FormatPinInfo(known.data()),
            "\n  dwVersion            6"
            "\n  PinType              EmptyPinType"
            "\n  PinPurpose           UnblockOnlyPin"
            "\n  dwChangePermission   0x00000003 (EVERYONE USER)"
            "\n  dwUnblockPermission  0x00000104 (ADMIN)"
            "\n  dwFlags              0x00000001 (PIN_INFO_REQUIRE_SECURE_ENTRY)\n"
            "\n  PinCachePolicy.dwVersion             6"
            "\n  PinCachePolicy.PinCachePolicyType    PinCacheTimed"
            "\n  PinCachePolicy.dwPinCachePolicyInfo  300\n\n");
  const auto unknown = PinInfo({0, 4, 7, 0, 0, 0, 4, 0, 2});
  EXPECT_EQ(FormatPinInfo(unknown.data()),
            "\n  dwVersion            0"
            "\n  PinType              Unknown <4>"
            "\n  PinPurpose           Unknown <7>"
            "\n  dwChangePermission   0x00000000 ()"
            "\n  dwUnblockPermission  0x00000000 ()"
            "\n  dwFlags              0x00000002\n"
            "\n  PinCachePolicy.dwVersion             0"
            "\n  PinCachePolicy.PinCachePolicyType    Unknown <4>"
            "\n  PinCachePolicy.dwPinCachePolicyInfo  0\n\n");
}

TEST(KeyProvInfoTextTest, KeySpecIsNamedAfterItsHexValue) {
  KeyProvInfoText info;
  info.containerName = "container";
  info.providerName = "(null)";
  info.keySpec = 1;
  info.provType = 24;
  info.flags = 0x20;
  EXPECT_EQ(FormatKeyProvInfo(info),
            "\n  pwszContainerName 'container'"
            "\n  pwszProvName      '(null)'"
            "\n  rgProvParam       00000000"
            "\n  cProvParam        00000000"
            "\n  dwKeySpec         00000001 AT_KEYEXCHANGE"
            "\n  dwProvType        00000018"
            "\n  dwFlags           00000020\n\n");
  info.keySpec = 2;
  EXPECT_NE(FormatKeyProvInfo(info).find("00000002 AT_SIGNATURE\n"), std::string::npos);
  info.keySpec = 7;
  EXPECT_NE(FormatKeyProvInfo(info).find("00000007 unknown (7)\n"), std::string::npos);
}

TEST(CertificateFileNameTest, NameCharactersOtherThanLettersAndDigitsBecomeUnderscores) {
  EXPECT_EQ(CertificateFileName("MY", 3, "John Doe (Test)"), "MY_3_John_Doe__Test_.cer");
  EXPECT_EQ(CertificateFileName("..\\..\\Root", 1, "a/b"), ".._.._Root_1_a_b.cer");
  EXPECT_EQ(CertificateFileName("C:x", 1, "\xE9"), "C_x_1__.cer");
}

TEST(CertificateFileNameTest, NamesLongerThanTheLimitAreRefused) {
  // "S..._1_.cer": the store name plus 7 characters.
  EXPECT_TRUE(CertificateFileName(std::string(kMaxFileNameLength - 7, 'S'), 1, ""));
  EXPECT_FALSE(CertificateFileName(std::string(kMaxFileNameLength - 6, 'S'), 1, ""));
}

TEST(PropertyTableTest, HoldsEveryRowAndTheFirstRowOfAnIdWins) {
  int rows = 0;
  int autoRows = 0;
  for (const PropertyInfo* row = propertyTable; row->propId != 0; ++row) {
    ++rows;
    autoRows += row->autoGenerated ? 1 : 0;
  }
  EXPECT_EQ(rows, 104);
  EXPECT_EQ(autoRows, 8);
  EXPECT_STREQ(FindProperty(3)->name, "CERT_SHA1_HASH_PROP_ID");
  EXPECT_TRUE(FindProperty(3)->autoGenerated);
  EXPECT_STREQ(FindProperty(9)->name, "CERT_ENHKEY_USAGE_PROP_ID");
  EXPECT_STREQ(FindProperty(107)->name, "CERT_SHA256_HASH_PROP_ID");
  EXPECT_STREQ(FindProperty(0xA001)->name, "LUMAPASSV_POLICY_ID_PROP_ID");
  EXPECT_EQ(FindProperty(0xA001)->printer, PropertyPrinter::kString);
  EXPECT_EQ(FindProperty(88), nullptr);
  EXPECT_EQ(UnknownPropertyName(88), "Unknown property 88 (Custom?)");
}

}  // namespace
