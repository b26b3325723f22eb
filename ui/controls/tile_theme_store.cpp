#include "ui/controls/tile_theme_store.h"

#include "foundation/win/unique_handle.h"

namespace luma {
namespace ui {
namespace {

CTileThemeTable& ThemeTable() {
  static CTileThemeTable table;
  return table;
}

ThemeValueRead ReadThemeValue(HKEY key, std::uint32_t index, CThemeValue& out) {
  wchar_t name[260] = {};
  DWORD nameLength = 260;
  DWORD type = 0;
  DWORD data = 0;
  DWORD dataSize = sizeof(data);
  const LSTATUS status =
      RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data), &dataSize);
  if (status == ERROR_MORE_DATA) return ThemeValueRead::kTooLarge;
  if (status == ERROR_NO_MORE_ITEMS) return ThemeValueRead::kNoMoreItems;
  if (status != ERROR_SUCCESS) return ThemeValueRead::kFailed;
  if (nameLength >= 260) nameLength = 259;
  out.name.assign(name, nameLength);
  // A DWORD value of fewer than 4 bytes is no colour.
  out.type = type == REG_DWORD && dataSize == sizeof(data) ? kThemeValueDword : REG_NONE;
  out.data = data;
  return ThemeValueRead::kValue;
}

}  // namespace

void LoadTileThemesFromKey(HKEY key) {
  DWORD valueCount = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    valueCount = 0;
  }
  const auto values = CollectThemeValues(
      valueCount, [key](std::uint32_t index, CThemeValue& out) { return ReadThemeValue(key, index, out); });
  ThemeTable() = BuildTileThemes(values);
}

void LoadTileThemes() {
  CRegistryKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kThemeKeyPath, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    ThemeTable().clear();
    return;
  }
  LoadTileThemesFromKey(key.get());
}

CTileTheme GetTileTheme(const std::wstring& tileName, const CTileTheme& defaults) {
  return LookupTileTheme(ThemeTable(), tileName, defaults);
}

}  // namespace ui
}  // namespace luma
