#include "foundation/win/registry_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const wchar_t kTestRoot[] = L"Software\\lumaPassTests\\RegistryReader";

// Raw registry writes, so that tests can store any type and any size.
void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
            DWORD size) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}
void SetText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text,
             DWORD type = REG_SZ) {
  SetRaw(root, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}
void SetNumber(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
  SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}
void DeleteValue(HKEY root, const std::wstring& path, const wchar_t* name) {
  luma::CRegistryKeyHandle key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key.get(), name);
}

class RegistryReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    path = std::wstring(kTestRoot) + L"\\" + std::wstring(name, name + strlen(name));
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

  luma::CRegistryKeyHandle OpenTestKey(const wchar_t* sub = nullptr) {
    std::wstring full = path + (sub ? std::wstring(L"\\") + sub : L"");
    luma::CRegistryKeyHandle key;
    RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                    key.put(), nullptr);
    return key;
  }

  std::wstring path;
};

// The application-setting locations themselves, with value names no other test uses.
TEST(RegistryApplicationLocationsTest, FirstLocationHoldingTheValueWithItsTypeWins) {
  CRegistryReader reader;
  luma::AddApplicationSettingLocations(reader);
  const auto& locations = reader.GetLocations();
  ASSERT_EQ(locations.size(), 4u);
  struct Written {
    int location;
    const wchar_t* name;
    DWORD type;
    std::wstring text;
    DWORD number;
  };
  const Written values[] = {
      {0, L"ReaderTestLogLevel", REG_DWORD, L"", 1},
      {3, L"ReaderTestLogLevel", REG_DWORD, L"", 4},
      {1, L"ReaderTestText", REG_SZ, L"", 0},  // an empty string is a hit
      {3, L"ReaderTestText", REG_SZ, L"machine", 0},
      {0, L"ReaderTestWrongType", REG_DWORD, L"", 7},  // skipped by GetString
      {2, L"ReaderTestWrongType", REG_SZ, L"machine policy", 0},
      {1, L"ReaderTestWrongNumber", REG_SZ, L"9", 0},  // skipped by GetDWORD
      {3, L"ReaderTestWrongNumber", REG_DWORD, L"", 9},
      {1, L"ReaderTestExpand", REG_EXPAND_SZ, L"%TEMP%", 0},
  };
  for (const auto& v : values) {
    const auto& where = locations[v.location];
    if (v.type == REG_DWORD) {
      SetNumber(where.root, where.path, v.name, v.number);
    } else {
      SetText(where.root, where.path, v.name, v.text, v.type);
    }
  }
  EXPECT_EQ(reader.GetDWORD(nullptr, L"ReaderTestLogLevel", 0xFFFFFFFF), 1u);
  EXPECT_EQ(reader.GetString(nullptr, L"ReaderTestText", L"default"), L"");
  EXPECT_EQ(reader.GetString(nullptr, L"ReaderTestWrongType", L"default"), L"machine policy");
  EXPECT_EQ(reader.GetDWORD(nullptr, L"ReaderTestWrongType", 0xFFFFFFFF), 7u);
  EXPECT_EQ(reader.GetDWORD(nullptr, L"ReaderTestWrongNumber", 0xFFFFFFFF), 9u);
  EXPECT_EQ(reader.GetString(nullptr, L"ReaderTestExpand", L"default"), L"default");
  EXPECT_EQ(reader.GetDWORD(nullptr, L"ReaderTestMissing", 0xFFFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(reader.GetString(L"NoSuchSubKey", L"ReaderTestText", L"default"), L"default");

  for (const auto& v : values) DeleteValue(locations[v.location].root, locations[v.location].path, v.name);
  EXPECT_EQ(reader.GetDWORD(nullptr, L"ReaderTestLogLevel", 0xFFFFFFFF), 0xFFFFFFFFu);
}

TEST_F(RegistryReaderTest, LocationsAreSearchedInTheOrderAddedWithTheSubKey) {
  SetText(HKEY_CURRENT_USER, path + L"\\B\\CertStore\\P", L"Name", L"from B");
  SetText(HKEY_CURRENT_USER, path + L"\\C\\CertStore\\P", L"Name", L"from C");
  CRegistryReader reader;
  reader.AddLocation(HKEY_CURRENT_USER, path + L"\\A");
  reader.AddLocation(HKEY_CURRENT_USER, path + L"\\C");
  reader.AddLocation(HKEY_CURRENT_USER, path + L"\\B");
  EXPECT_EQ(reader.GetString(L"CertStore\\P", L"Name", L""), L"from C");
  EXPECT_EQ(reader.GetString(nullptr, L"Name", L"none"), L"none");
}

TEST_F(RegistryReaderTest, MalformedValuesAreBoundedByTheirDataOrAbsent) {
  const BYTE noTerminator[] = {'a', 0, 'b', 0};
  const BYTE oddSize[] = {'a', 0, 'b', 0, 'c'};
  const BYTE shortNumber[] = {0x34, 0x12};
  const BYTE longNumber[] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF};
  const BYTE multiUnterminated[] = {'x', 0, 0, 0, 'y', 0};
  const BYTE multiOdd[] = {'x', 0, 0, 0, 'y'};
  SetRaw(HKEY_CURRENT_USER, path, L"NoTerminator", REG_SZ, noTerminator, sizeof(noTerminator));
  SetRaw(HKEY_CURRENT_USER, path, L"OddSize", REG_SZ, oddSize, sizeof(oddSize));
  SetRaw(HKEY_CURRENT_USER, path, L"OneByte", REG_SZ, oddSize, 1);
  SetRaw(HKEY_CURRENT_USER, path, L"Empty", REG_SZ, oddSize, 0);
  SetRaw(HKEY_CURRENT_USER, path, L"ShortNumber", REG_DWORD, shortNumber, sizeof(shortNumber));
  SetRaw(HKEY_CURRENT_USER, path, L"LongNumber", REG_DWORD, longNumber, sizeof(longNumber));
  SetRaw(HKEY_CURRENT_USER, path, L"MultiUnterminated", REG_MULTI_SZ, multiUnterminated,
         sizeof(multiUnterminated));
  SetRaw(HKEY_CURRENT_USER, path, L"MultiOdd", REG_MULTI_SZ, multiOdd, sizeof(multiOdd));

  struct TextCase {
    const wchar_t* name;
    bool found;
    std::wstring text;
  } texts[] = {
      {L"NoTerminator", true, L"ab"},
      {L"OddSize", true, L"ab"},  // the odd last byte is no character
      {L"OneByte", true, L""},
      {L"Empty", false, L""},
  };
  for (const auto& c : texts) {
    std::wstring text = L"unchanged";
    EXPECT_EQ(luma::RegReadString(HKEY_CURRENT_USER, path, nullptr, c.name, text), c.found) << c.name;
    EXPECT_EQ(text, c.found ? c.text : L"unchanged") << c.name;
  }

  DWORD number = 0xAAAA;
  EXPECT_FALSE(luma::RegReadDWORD(HKEY_CURRENT_USER, path, nullptr, L"ShortNumber", number));
  EXPECT_EQ(number, 0xAAAAu);
  // A number is exactly four bytes: eight bytes stored as REG_DWORD are no setting either.
  EXPECT_FALSE(luma::RegReadDWORD(HKEY_CURRENT_USER, path, nullptr, L"LongNumber", number));
  EXPECT_EQ(number, 0xAAAAu);

  std::vector<std::wstring> list;
  EXPECT_TRUE(luma::RegReadMultiString(HKEY_CURRENT_USER, path, L"MultiUnterminated", list));
  EXPECT_EQ(list, (std::vector<std::wstring>{L"x", L"y"}));
  list.clear();
  EXPECT_TRUE(luma::RegReadMultiString(HKEY_CURRENT_USER, path, L"MultiOdd", list));
  EXPECT_EQ(list, (std::vector<std::wstring>{L"x"}));

  const luma::CRegistryKeyHandle key = OpenTestKey();
  EXPECT_EQ(luma::RegQueryDWORD(5, key.get(), L"ShortNumber"), 5u);
  EXPECT_EQ(luma::RegQueryDWORD(5, key.get(), L"LongNumber"), 5u);
  EXPECT_EQ(luma::RegQueryString(key.get(), L"NoTerminator", L"d"), L"ab");
  EXPECT_EQ(luma::RegQueryString(key.get(), L"ShortNumber", L"d"), L"d");
  EXPECT_EQ(luma::RegQueryString(key.get(), L"Missing"), L"");
}

TEST_F(RegistryReaderTest, MultiStringStopsAtTheFirstEmptyStringAndAppends) {
  const wchar_t data[] = L" a \0b \0\0c\0";  // " a ", "b ", "", "c"
  SetRaw(HKEY_CURRENT_USER, path, L"List", REG_MULTI_SZ, data, sizeof(data));
  SetText(HKEY_CURRENT_USER, path, L"Single", L"  x  ");
  SetText(HKEY_CURRENT_USER, path, L"Blank", L"   ");
  SetNumber(HKEY_CURRENT_USER, path, L"Number", 3);

  std::vector<std::wstring> list{L"kept"};
  EXPECT_TRUE(luma::RegReadMultiString(HKEY_CURRENT_USER, path, L"List", list));
  EXPECT_EQ(list, (std::vector<std::wstring>{L"kept", L"a", L"b"}));
  EXPECT_FALSE(luma::RegReadMultiString(HKEY_CURRENT_USER, path, L"Single", list));
  EXPECT_EQ(list.size(), 3u);

  const luma::CRegistryKeyHandle key = OpenTestKey();
  luma::RegQueryStringList(key.get(), L"List", list);
  EXPECT_EQ(list, (std::vector<std::wstring>{L"a", L"b"}));
  luma::RegQueryStringList(key.get(), L"Single", list);
  EXPECT_EQ(list, (std::vector<std::wstring>{L"x"}));
  luma::RegQueryStringList(key.get(), L"Blank", list);
  EXPECT_TRUE(list.empty());
  list = {L"old"};
  luma::RegQueryStringList(key.get(), L"Number", list);
  EXPECT_TRUE(list.empty());
}

TEST_F(RegistryReaderTest, LocalisedTextFallsBackToEnglishAndTurnsBackslashNIntoLineFeeds) {
  SetText(HKEY_CURRENT_USER, path + L"\\en", L"Hint", L"Enter the\\ncode");
  SetText(HKEY_CURRENT_USER, path + L"\\en", L"Title", L"Title");
  SetText(HKEY_CURRENT_USER, path + L"\\fr", L"Title", L"");
  SetText(HKEY_CURRENT_USER, path + L"\\de", L"Title", L"Titel");
  const luma::CRegistryKeyHandle key = OpenTestKey();
  EXPECT_EQ(luma::RegQueryLocalizedString(key.get(), L"de", L"en", L"Hint"),
            L"Enter the\ncode");  // no such value in "de"
  EXPECT_EQ(luma::RegQueryLocalizedString(key.get(), L"it", L"en", L"Hint"),
            L"Enter the\ncode");  // no "it" subkey
  EXPECT_EQ(luma::RegQueryLocalizedString(key.get(), L"de", L"en", L"Title"), L"Titel");
  EXPECT_EQ(luma::RegQueryLocalizedString(key.get(), L"fr", L"en", L"Title"),
            L"Title");  // empty counts as missing
  EXPECT_EQ(luma::RegQueryLocalizedString(key.get(), L"de", L"en", L"Missing"), L"");
}

TEST_F(RegistryReaderTest, EnumerationAppendsNamesAndSkipsOverlongOnes) {
  SetText(HKEY_CURRENT_USER, path + L"\\Providers\\One", L"v", L"1");
  SetText(HKEY_CURRENT_USER, path + L"\\Providers\\Two", L"v", L"2");
  const std::wstring longName(300, L'n');
  SetNumber(HKEY_CURRENT_USER, path, L"First", 1);
  SetNumber(HKEY_CURRENT_USER, path, longName.c_str(), 2);
  SetNumber(HKEY_CURRENT_USER, path, L"Last", 3);

  std::vector<std::wstring> names{L"kept"};
  EXPECT_EQ(luma::RegEnumSubKeys(HKEY_CURRENT_USER, path, L"Providers", names), 3u);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"kept", L"One", L"Two"}));
  names.clear();
  EXPECT_EQ(luma::RegEnumValueNames(HKEY_CURRENT_USER, path, nullptr, names), 2u);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"First", L"Last"}));
  EXPECT_EQ(luma::RegEnumSubKeys(HKEY_CURRENT_USER, path, L"Missing", names), 2u);
}

}  // namespace
