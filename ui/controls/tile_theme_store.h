// The process-wide tile colours: read once at start-up from the machine's theme key, before any
// window exists, and only read afterwards (from any thread that lays out a tile, without a lock).
#ifndef LUMA_UI_CONTROLS_TILE_THEME_STORE_H_
#define LUMA_UI_CONTROLS_TILE_THEME_STORE_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <string>

#include "ui/core/tile_theme.h"

namespace luma {
namespace ui {

// HKEY_LOCAL_MACHINE, 64-bit view.
constexpr const wchar_t* kThemeKeyPath = L"SOFTWARE\\nuvak\\lumaPassV\\Theme";

// Fills the table from the theme key; a missing key leaves it empty. Never fails, reports nothing.
void LoadTileThemes();
// The same from an open key (replacing the table).
void LoadTileThemesFromKey(HKEY key);
// The theme of the tile kind completed from its defaults.
CTileTheme GetTileTheme(const std::wstring& tileName, const CTileTheme& defaults);

inline Gdiplus::Color ToGdiplusColor(const CTileColor& colour) { return Gdiplus::Color(colour.argb); }

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_TILE_THEME_STORE_H_
