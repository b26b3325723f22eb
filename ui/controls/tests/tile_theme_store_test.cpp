#include "ui/controls/tile_theme_store.h"

#include <gtest/gtest.h>

#include <string>

namespace luma::ui {
namespace {

// A theme key of this test process under the user's hive.
class ThemeKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = L"Software\\lumaPassTests\\Theme-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    HKEY empty = nullptr;
    // The table is the process's: leave it empty for the other tests.
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (path + L"-empty").c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                        &empty, nullptr) == ERROR_SUCCESS) {
      LoadTileThemesFromKey(empty);
      RegCloseKey(empty);
      RegDeleteTreeW(HKEY_CURRENT_USER, (path + L"-empty").c_str());
    }
  }
  void Set(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  void SetDword(const std::wstring& name, DWORD value) { Set(name, REG_DWORD, &value, sizeof(value)); }

  std::wstring path;
  HKEY key = nullptr;
};

TEST_F(ThemeKeyTest, ColoursComeFromDwordValuesAndEveryOtherValueIsPassedOver) {
  SetDword(L"ProviderTile.ACTIVE.BG", 0xFF2060A0);
  SetDword(L"certtile.focus.fg", 0xFF101010);
  SetDword(L"CertTile", 0xFF000000);  // no state, no part
  SetDword(L".", 0xFF000000);
  SetDword(std::wstring(300, L'C') + L".ACTIVE.BG", 0xFF000000);  // longer than any name read
  const unsigned long long wide = 0xFF00FF00FF00FF00ull;
  Set(L"CertTile.INACTIVE.BG", REG_BINARY, &wide, sizeof(wide));  // more than a DWORD
  Set(L"CertTile.ACTIVE.BG", REG_SZ, L"0xFF0000FF", 22);
  const WORD narrow = 0x1234;
  Set(L"CertTile.DISABLED.BG", REG_DWORD, &narrow, sizeof(narrow));  // less than a DWORD
  SetDword(L"CertTile.DISABLED.FG", 0x00FF0000);                     // transparent red, as stored

  LoadTileThemesFromKey(key);
  const CTileTheme provider = GetTileTheme(L"ProviderTile", DefaultTileTheme());
  EXPECT_EQ(provider.states[kTileActive].background.argb, 0xFF2060A0u);
  EXPECT_EQ(provider.states[kTileActive].foreground.argb, 0xFFFFFFFFu);
  EXPECT_EQ(provider.states[kTileFocus].background.argb, 0xFF808080u);
  const CTileTheme cert = GetTileTheme(L"CertTile", DefaultTileTheme());
  EXPECT_EQ(cert.states[kTileFocus].foreground.argb, 0xFF101010u);
  EXPECT_EQ(cert.states[kTileInactive].background.argb, 0xFFA0A0A0u);
  EXPECT_EQ(cert.states[kTileActive].background.argb, 0xFF808080u);
  EXPECT_EQ(cert.states[kTileDisabled].background.argb, 0xFFCBCBCBu);
  EXPECT_EQ(cert.states[kTileDisabled].foreground.argb, 0x00FF0000u);
  EXPECT_EQ(ToGdiplusColor(cert.states[kTileDisabled].foreground).GetValue(), 0x00FF0000u);
}

// A key deleted while it is read fails on every index: the reading still ends.
TEST_F(ThemeKeyTest, AKeyThatFailsOnEveryIndexEnds) {
  SetDword(L"CertTile.ACTIVE.BG", 0xFF123456);
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &reader), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
  LoadTileThemesFromKey(reader);
  RegCloseKey(reader);
  EXPECT_EQ(GetTileTheme(L"CertTile", DefaultTileTheme()), DefaultTileTheme());
}

TEST(TileThemeStoreTest, NoThemeKeyLeavesTheDefaults) {
  HKEY probe = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kThemeKeyPath, 0, KEY_READ | KEY_WOW64_64KEY, &probe) ==
      ERROR_SUCCESS) {
    RegCloseKey(probe);
    GTEST_SKIP() << "this machine has a theme key";
  }
  LoadTileThemes();
  EXPECT_EQ(GetTileTheme(L"ProviderTile", DefaultTileTheme()), DefaultTileTheme());
}

}  // namespace
}  // namespace luma::ui
