// Every property id the lister knows, fed through the reader seam as bytes or as a failure, and
// the exact text each printer makes of it; then the listing's choice of printer per property.
#include "tools/dumpstore/property_printers.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "tools/dumpstore/core/property_table.h"
#include "tools/dumpstore/tests/fake_property_reader.h"

namespace {

using namespace luma::dumpstore;

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

std::vector<BYTE> WideBytes(const std::wstring& text) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<BYTE> Dwords(std::initializer_list<DWORD> values) {
  std::vector<BYTE> bytes;
  for (DWORD value : values) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
  }
  return bytes;
}

// A CRYPT_KEY_PROV_INFO as the system stores it: the structure, then its strings, the string
// pointers holding offsets that the fake reader makes absolute.
CFakePropertyReader::Value KeyProvInfoValue(const std::wstring& container, const std::wstring& provider,
                                            DWORD keySpec) {
  CRYPT_KEY_PROV_INFO info = {};
  const std::vector<BYTE> containerBytes = WideBytes(container);
  const std::vector<BYTE> providerBytes = WideBytes(provider);
  info.pwszContainerName = reinterpret_cast<LPWSTR>(sizeof(info));
  info.pwszProvName = reinterpret_cast<LPWSTR>(sizeof(info) + containerBytes.size());
  info.dwProvType = PROV_RSA_AES;
  info.dwFlags = CRYPT_MACHINE_KEYSET;
  info.dwKeySpec = keySpec;
  CFakePropertyReader::Value value;
  const BYTE* raw = reinterpret_cast<const BYTE*>(&info);
  value.bytes.assign(raw, raw + sizeof(info));
  value.bytes.insert(value.bytes.end(), containerBytes.begin(), containerBytes.end());
  value.bytes.insert(value.bytes.end(), providerBytes.begin(), providerBytes.end());
  value.pointerOffsets = {offsetof(CRYPT_KEY_PROV_INFO, pwszContainerName),
                          offsetof(CRYPT_KEY_PROV_INFO, pwszProvName)};
  return value;
}

CFakePropertyReader::Value ValueOf(std::vector<BYTE> bytes) {
  CFakePropertyReader::Value value;
  value.bytes = std::move(bytes);
  return value;
}

// One value per printer and the text it must give after the header.
struct PrinterSample {
  CFakePropertyReader::Value value;
  std::string text;
};

PrinterSample SampleFor(PropertyPrinter printer) {
  switch (printer) {
    case PropertyPrinter::kHex:
      return {ValueOf(Bytes("0123456789ABCDE\x01\xff\x80xy")),
              "\n  00000000| 30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 01 |0123456789ABCDE.|"
              "\n  00000010| ff 80 78 79                                      |..xy            |\n\n"};
    case PropertyPrinter::kString:
      return {ValueOf(WideBytes(L"policy-1")), "\n  'policy-1'\n\n"};
    case PropertyPrinter::kDword:
      return {ValueOf(Dwords({2048})), "\n  2048\n\n"};
    case PropertyPrinter::kKeyProvInfo:
      return {KeyProvInfoValue(L"alice-container", L"Test Provider", AT_KEYEXCHANGE),
              "\n  pwszContainerName 'alice-container'"
              "\n  pwszProvName      'Test Provider'"
              "\n  rgProvParam       00000000"
              "\n  cProvParam        00000000"
              "\n  dwKeySpec         00000001 AT_KEYEXCHANGE"
              "\n  dwProvType        00000018"
              "\n  dwFlags           00000020\n\n"};
    case PropertyPrinter::kEnhancedKeyUsage:  // the usages come from the fake's usage list
      return {ValueOf(Bytes("unused")), "\n  1.3.6.1.5.5.7.3.2  Client Authentication\n  1.2.3.4\n\n"};
    case PropertyPrinter::kKeyClassification:
      return {ValueOf(Dwords({1})), "\n  CertKeyType: 1 (KeyTypeVirtualSmartCard)\n\n"};
    case PropertyPrinter::kPinId:
      return {ValueOf(Dwords({1})), "\n  PIN ID: 1 (USER)\n\n"};
    case PropertyPrinter::kPinInfo:
      return {ValueOf(Dwords({6, 0, 1, 2, 4, 6, 0, 0, 0})),
              "\n  dwVersion            6"
              "\n  PinType              AlphaNumericPinType"
              "\n  PinPurpose           DigitalSignaturePin"
              "\n  dwChangePermission   0x00000002 (USER)"
              "\n  dwUnblockPermission  0x00000004 (ADMIN)"
              "\n  dwFlags              0x00000000\n"
              "\n  PinCachePolicy.dwVersion             6"
              "\n  PinCachePolicy.PinCachePolicyType    PinCacheNormal"
              "\n  PinCachePolicy.dwPinCachePolicyInfo  0\n\n"};
  }
  return {};
}

bool UsesAutoHeader(PropertyPrinter printer) {
  return printer == PropertyPrinter::kHex || printer == PropertyPrinter::kString ||
         printer == PropertyPrinter::kDword;
}

TEST(PropertyPrinterTest, EveryKnownIdIsPrintedByItsPrinterUnderItsName) {
  DumpStoreSettings settings;
  std::set<DWORD> seen;
  for (const PropertyInfo* row = propertyTable; row->propId != 0; ++row) {
    if (!seen.insert(row->propId).second) continue;  // a later row of the same id is never used
    CFakePropertyReader reader;
    const PrinterSample sample = SampleFor(row->printer);
    reader.values[row->propId] = sample.value;
    reader.usages = std::vector<std::string>{"1.3.6.1.5.5.7.3.2", "1.2.3.4"};
    const std::string header =
        std::string(row->name) +
        (row->autoGenerated && UsesAutoHeader(row->printer) ? ": (auto generated)\n" : ":\n");
    EXPECT_EQ(PrintProperty(reader, row->propId, settings), header + sample.text)
        << "property " << row->propId;
  }
  EXPECT_EQ(seen.size(), 101u);
}

TEST(PropertyPrinterTest, ThePolicyIdOfProvisionedCertificatesShowsAsText) {
  CFakePropertyReader reader;
  reader.values[0xA001].bytes = WideBytes(L"{4C1A} policy");
  EXPECT_EQ(PrintProperty(reader, 0xA001, DumpStoreSettings()),
            "LUMAPASSV_POLICY_ID_PROP_ID:\n\n  '{4C1A} policy'\n\n");
}

struct FailureCase {
  DWORD propId;
  CFakePropertyReader::Value value;
  std::string expected;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << "property " << c.propId; }

class PropertyPrinterFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PropertyPrinterFailures, WriteTheFailureInPlaceOfTheValue) {
  CFakePropertyReader reader;
  reader.values[GetParam().propId] = GetParam().value;
  EXPECT_EQ(PrintProperty(reader, GetParam().propId, DumpStoreSettings()), GetParam().expected);
}

CFakePropertyReader::Value Failing(bool size, bool read, std::vector<BYTE> bytes = {1, 2, 3, 4}) {
  CFakePropertyReader::Value value;
  value.bytes = std::move(bytes);
  value.failSize = size;
  value.failRead = read;
  return value;
}

CFakePropertyReader::Value Oversized() {
  CFakePropertyReader::Value value;
  value.claimedSize = kMaxPropertySize + 1;
  return value;
}

CFakePropertyReader::Value CutKeyProvInfo() {
  CFakePropertyReader::Value value = KeyProvInfoValue(L"c", L"p", 2);
  value.bytes.resize(sizeof(CRYPT_KEY_PROV_INFO) - 1);
  value.pointerOffsets.clear();
  return value;
}

CFakePropertyReader::Value StrayKeyProvInfo() {
  CFakePropertyReader::Value value = KeyProvInfoValue(L"c", L"p", 2);
  value.pointerOffsets.pop_back();  // the provider name points outside the value
  return value;
}

const std::string kLength = "\n ERROR: Unable to retrieve the length of the property!\n\n";
const std::string kAllocation = "\n ERROR: Unable to allocate memory for retrieving the property!\n\n";
const std::string kRead = "\n ERROR: Unable to retrieve the property!\n\n";
const std::string kDword = "\n ERROR: Unable to retrieve the property as a DWORD!\n\n";

INSTANTIATE_TEST_SUITE_P(
    Table, PropertyPrinterFailures,
    ::testing::Values(
        FailureCase{20, Failing(true, false), "CERT_KEY_IDENTIFIER_PROP_ID: (auto generated)\n" + kLength},
        FailureCase{20, Oversized(), "CERT_KEY_IDENTIFIER_PROP_ID: (auto generated)\n" + kAllocation},
        FailureCase{20, Failing(false, true), "CERT_KEY_IDENTIFIER_PROP_ID: (auto generated)\n" + kRead},
        FailureCase{11, Failing(true, false), "CERT_FRIENDLY_NAME_PROP_ID:\n" + kLength},
        FailureCase{11, Failing(false, true), "CERT_FRIENDLY_NAME_PROP_ID:\n" + kRead},
        FailureCase{2, Failing(false, true), "CERT_KEY_PROV_INFO_PROP_ID:\n" + kRead},
        FailureCase{2, CutKeyProvInfo(), "CERT_KEY_PROV_INFO_PROP_ID:\n" + kRead},
        FailureCase{2, StrayKeyProvInfo(), "CERT_KEY_PROV_INFO_PROP_ID:\n" + kRead},
        FailureCase{92, Failing(false, false, {1, 2, 3, 4, 5}),
                    "CERT_SUBJECT_PUB_KEY_BIT_LENGTH_PROP_ID:\n" + kDword},
        FailureCase{92, Failing(false, true), "CERT_SUBJECT_PUB_KEY_BIT_LENGTH_PROP_ID:\n" + kDword},
        FailureCase{120, Failing(false, true), "CERT_KEY_CLASSIFICATION_PROP_ID:\n" + kDword},
        FailureCase{90, Failing(false, true), "CERT_SCARD_PIN_ID_PROP_ID:\n" + kDword},
        FailureCase{
            91, Failing(false, false, std::vector<BYTE>(37, 0)),
            "CERT_SCARD_PIN_INFO_PROP_ID:\n\n ERROR: Unable to retrieve the property as a PIN_INFO!\n\n"},
        // Shorter fixed-size values fill the start of a zeroed block.
        FailureCase{92, Failing(false, false, {0x01, 0x01}),
                    "CERT_SUBJECT_PUB_KEY_BIT_LENGTH_PROP_ID:\n\n  257\n\n"},
        FailureCase{9, Failing(false, false),
                    "CERT_ENHKEY_USAGE_PROP_ID:\n\n ERROR: Unable to get enhanced key usage!\n\n"}));

TEST(PropertyPrinterTest, OddSizedStringsEndInsideTheirValue) {
  CFakePropertyReader reader;
  reader.values[13].bytes = {'a', 0, 'b'};  // no terminator, one byte short of a character
  EXPECT_EQ(PrintProperty(reader, 13, DumpStoreSettings()), "CERT_DESCRIPTION_PROP_ID:\n\n  'ab'\n\n");
}

TEST(PropertyPrinterTest, KeySpecsOtherThanExchangeAndSignatureAreUnknown) {
  CFakePropertyReader reader;
  reader.values[2] = KeyProvInfoValue(L"c", L"p", 5);
  EXPECT_NE(
      PrintProperty(reader, 2, DumpStoreSettings()).find("\n  dwKeySpec         00000005 unknown (5)\n"),
      std::string::npos);
}

TEST(PropertyListingTest, AutoGeneratedPropertiesHideOnRequest) {
  CFakePropertyReader reader;
  reader.values[3].bytes = Bytes("01234567890123456789");
  DumpStoreSettings settings;
  settings.showAutoGenerated = false;
  EXPECT_EQ(PrintProperty(reader, 3, settings), "");
  reader.values[11].bytes = WideBytes(L"x");
  EXPECT_EQ(PrintProperty(reader, 11, settings), "CERT_FRIENDLY_NAME_PROP_ID:\n\n  'x'\n\n");
}

TEST(PropertyListingTest, UnknownIdsAreDumpedUnderTheirNumber) {
  CFakePropertyReader reader;
  reader.values[88].bytes = {0xAB};
  EXPECT_EQ(PrintProperty(reader, 88, DumpStoreSettings()),
            "Unknown property 88 (Custom?):\n"
            "\n  00000000| ab                                               |.               |\n\n");
}

TEST(PropertyListingTest, TheHexOptionDumpsDecodedValuesOnceMore) {
  CFakePropertyReader reader;
  reader.values[11].bytes = WideBytes(L"A");
  reader.values[3].bytes = {0x01};
  DumpStoreSettings settings;
  settings.dumpPropertiesHex = true;
  EXPECT_EQ(PrintProperty(reader, 11, settings),
            "CERT_FRIENDLY_NAME_PROP_ID:\n\n  'A'\n\n"
            "\n  00000000| 41 00 00 00                                      |A...            |\n\n");
  EXPECT_EQ(PrintProperty(reader, 3, settings),
            "CERT_SHA1_HASH_PROP_ID: (auto generated)\n"
            "\n  00000000| 01                                               |.               |\n\n");
}

}  // namespace
