#include "ui/core/tile_theme.h"

#include <iterator>

namespace luma::ui {
namespace {

const wchar_t* const kStateNames[kTileStateCount] = {L".FOCUS", L".ACTIVE", L".INACTIVE", L".DISABLED"};

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The text before the first "." once leading dots are skipped; empty when there is none.
std::wstring TileNameOf(const std::wstring& valueName) {
  const size_t start = valueName.find_first_not_of(L'.');
  if (start == std::wstring::npos) return std::wstring();
  const size_t end = valueName.find(L'.', start);
  return valueName.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

void TakeColour(const std::map<std::wstring, std::uint32_t>& values, const std::wstring& name,
                CTileColor& colour) {
  const auto found = values.find(name);
  if (found != values.end()) colour.Assign(found->second);
}

}  // namespace

void CTileColor::Assign(std::uint32_t value) {
  set = true;
  argb = value;
  alpha = static_cast<std::uint8_t>(value >> 24);
  red = static_cast<std::uint8_t>(value >> 16);
  green = static_cast<std::uint8_t>(value >> 8);
  blue = static_cast<std::uint8_t>(value);
}

bool CTileTheme::operator==(const CTileTheme& other) const {
  if (set != other.set) return false;
  for (int state = 0; state < kTileStateCount; ++state) {
    if (!(states[state] == other.states[state])) return false;
  }
  return true;
}

CTileTheme DefaultTileTheme() {
  static const std::uint32_t kBackgrounds[kTileStateCount] = {0xFF808080u, 0xFF808080u, 0xFFA0A0A0u,
                                                              0xFFCBCBCBu};
  CTileTheme theme;
  theme.set = true;
  for (int state = 0; state < kTileStateCount; ++state) {
    theme.states[state].set = true;
    theme.states[state].foreground.Assign(0xFFFFFFFFu);
    theme.states[state].background.Assign(kBackgrounds[state]);
  }
  return theme;
}

std::wstring UpperCaseAscii(const std::wstring& text) {
  std::wstring upper = text;
  for (wchar_t& character : upper) {
    if (character >= L'a' && character <= L'z') character = static_cast<wchar_t>(character - L'a' + L'A');
  }
  return upper;
}

std::map<std::wstring, std::uint32_t> CollectThemeValues(std::uint32_t valueCount,
                                                         const ThemeValueReader& read) {
  std::map<std::wstring, std::uint32_t> values;
  const std::uint32_t limit = valueCount < kMaxThemeValues ? valueCount : kMaxThemeValues;
  for (std::uint32_t index = 0; index < limit; ++index) {
    CThemeValue value;
    const ThemeValueRead result = read(index, value);
    if (result == ThemeValueRead::kTooLarge) continue;
    if (result != ThemeValueRead::kValue) break;
    if (value.type == kThemeValueDword) values[UpperCaseAscii(value.name)] = value.data;
  }
  return values;
}

CTileThemeTable BuildTileThemes(std::map<std::wstring, std::uint32_t> values) {
  CTileThemeTable table;
  while (!values.empty()) {
    const std::wstring taken = values.begin()->first;
    const std::wstring tile = TileNameOf(taken);
    if (tile.empty()) {
      values.erase(taken);
      continue;
    }
    CTileTheme theme;
    theme.set = true;
    for (int state = 0; state < kTileStateCount; ++state) {
      CTileStateColors& colours = theme.states[state];
      colours.set = true;
      const std::wstring stateName = tile + kStateNames[state];
      TakeColour(values, stateName + L".FG", colours.foreground);
      TakeColour(values, stateName + L".BG", colours.background);
    }
    table[tile] = theme;
    // The taken name leaves even when it is not in the tile's group (no "." after the tile name, or
    // leading dots), or the grouping would take it again for ever.
    values.erase(taken);
    const std::wstring group = tile + L".";
    for (auto entry = values.begin(); entry != values.end();) {
      entry = StartsWith(entry->first, group) ? values.erase(entry) : std::next(entry);
    }
  }
  return table;
}

CTileTheme LookupTileTheme(const CTileThemeTable& table, const std::wstring& tileName,
                           const CTileTheme& defaults) {
  const auto found = table.find(UpperCaseAscii(tileName));
  if (found == table.end()) return defaults;
  CTileTheme result = found->second;
  result.set = defaults.set;
  for (int state = 0; state < kTileStateCount; ++state) {
    CTileStateColors& colours = result.states[state];
    colours.set = defaults.states[state].set;
    if (!colours.foreground.set) colours.foreground = defaults.states[state].foreground;
    if (!colours.background.set) colours.background = defaults.states[state].background;
  }
  return result;
}

}  // namespace luma::ui
