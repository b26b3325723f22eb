// The colours of the tiles: a foreground and a background per tile state, read by an administrator's
// registry values and completed from each tile kind's built-in defaults. Parsing and completion live
// here without the registry, so that every rule is tested on plain values.
#ifndef LUMA_UI_CORE_TILE_THEME_H_
#define LUMA_UI_CORE_TILE_THEME_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace luma::ui {

// Tile states; the numbers index CTileTheme::states and name the theme's value names.
constexpr int kTileFocus = 0;
constexpr int kTileActive = 1;  // a tile's state when it is made
constexpr int kTileInactive = 2;
constexpr int kTileDisabled = 3;
constexpr int kTileStateCount = 4;

// One colour: unset and opaque white when fresh; `argb` is 0xAARRGGBB.
struct CTileColor {
  bool set = false;
  std::uint8_t alpha = 0xFF;
  std::uint8_t red = 0xFF;
  std::uint8_t green = 0xFF;
  std::uint8_t blue = 0xFF;
  std::uint32_t argb = 0xFFFFFFFFu;

  // Takes the colour as stored (alpha included) and marks it set.
  void Assign(std::uint32_t value);
  bool operator==(const CTileColor& other) const {
    return set == other.set && argb == other.argb && alpha == other.alpha && red == other.red &&
           green == other.green && blue == other.blue;
  }
};

struct CTileStateColors {
  bool set = false;
  CTileColor foreground;
  CTileColor background;
  bool operator==(const CTileStateColors& other) const {
    return set == other.set && foreground == other.foreground && background == other.background;
  }
};

struct CTileTheme {
  bool set = false;
  CTileStateColors states[kTileStateCount];
  bool operator==(const CTileTheme& other) const;
};

// Tile themes by upper-case tile name.
using CTileThemeTable = std::map<std::wstring, CTileTheme>;

// The defaults both tile kinds start from: white text, grey backgrounds that lighten from the focused
// and active states to inactive and disabled; every colour marked set.
CTileTheme DefaultTileTheme();

// ASCII letters upper-cased, as value names are compared.
std::wstring UpperCaseAscii(const std::wstring& text);

// One registry value of the theme key as the enumeration reads it.
struct CThemeValue {
  std::wstring name;
  std::uint32_t type = 0;
  std::uint32_t data = 0;
};
constexpr std::uint32_t kThemeValueDword = 4;  // REG_DWORD

// What reading one value index gave: the value; one that does not fit the name or data buffer (it
// is skipped); the end; or any other error, after which the key is not asked again.
enum class ThemeValueRead { kValue, kTooLarge, kNoMoreItems, kFailed };
using ThemeValueReader = std::function<ThemeValueRead(std::uint32_t index, CThemeValue& out)>;

// Most values a theme key is read for; a key with more is read up to here.
constexpr std::uint32_t kMaxThemeValues = 1024;

// The DWORD values of the key by upper-case name, read from index 0 up to `valueCount` (at most
// kMaxThemeValues) and never past the first read that is neither a value nor a value too large.
std::map<std::wstring, std::uint32_t> CollectThemeValues(std::uint32_t valueCount,
                                                         const ThemeValueReader& read);

// Groups "TILE.STATE.PART" values into one theme per tile name. Every taken name leaves the map,
// also one without a "." after its tile name, so the grouping always ends.
CTileThemeTable BuildTileThemes(std::map<std::wstring, std::uint32_t> values);

// The theme of `tileName` completed from `defaults`: each colour the table does not set comes from
// the defaults, as do the set flags of the theme and its states; the defaults alone when the table
// has no such tile.
CTileTheme LookupTileTheme(const CTileThemeTable& table, const std::wstring& tileName,
                           const CTileTheme& defaults);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_TILE_THEME_H_
