#include "ui/core/tile_theme.h"

#include <gtest/gtest.h>

#include <vector>

namespace luma::ui {
namespace {

constexpr std::uint32_t kString = 1;  // REG_SZ

struct Value {
  const wchar_t* name;
  std::uint32_t type;
  std::uint32_t data;
};

// What a tile of `tile` would paint in `state`: foreground and background.
struct Expect {
  const wchar_t* tile;
  int state;
  std::uint32_t foreground;
  std::uint32_t background;
};

CTileThemeTable Load(const std::vector<Value>& values) {
  const auto read = [&values](std::uint32_t index, CThemeValue& out) {
    if (index >= values.size()) return ThemeValueRead::kNoMoreItems;
    out.name = values[index].name;
    out.type = values[index].type;
    out.data = values[index].data;
    return ThemeValueRead::kValue;
  };
  return BuildTileThemes(CollectThemeValues(static_cast<std::uint32_t>(values.size()), read));
}

TEST(TileThemeTest, RegistryValuesOverrideSingleColoursOfTheDefaults) {
  struct Case {
    const char* what;
    std::vector<Value> values;
    std::vector<Expect> expected;
  } cases[] = {
      {"no theme values: the defaults",
       {},
       {{L"CertTile", kTileFocus, 0xFFFFFFFF, 0xFF808080},
        {L"ProviderTile", kTileDisabled, 0xFFFFFFFF, 0xFFCBCBCB}}},
      {"one background of one state of one tile kind",
       {{L"ProviderTile.ACTIVE.BG", kThemeValueDword, 0xFF123456}},
       {{L"ProviderTile", kTileActive, 0xFFFFFFFF, 0xFF123456},
        {L"ProviderTile", kTileFocus, 0xFFFFFFFF, 0xFF808080},
        {L"ProviderTile", kTileInactive, 0xFFFFFFFF, 0xFFA0A0A0},
        {L"CertTile", kTileActive, 0xFFFFFFFF, 0xFF808080}}},
      {"names compare without regard to case",
       {{L"certtile.focus.fg", kThemeValueDword, 0xFF000000}},
       {{L"CertTile", kTileFocus, 0xFF000000, 0xFF808080},
        {L"CERTTILE", kTileFocus, 0xFF000000, 0xFF808080}}},
      {"a text value is no colour",
       {{L"CertTile.ACTIVE.BG", kString, 0xFF112233}},
       {{L"CertTile", kTileActive, 0xFFFFFFFF, 0xFF808080}}},
      {"alpha is taken as stored",
       {{L"CertTile.INACTIVE.BG", kThemeValueDword, 0x00FF0000}},
       {{L"CertTile", kTileInactive, 0xFFFFFFFF, 0x00FF0000}}},
      {"values without a tile part or without a dot after it are dropped, the rest still read",
       {{L"CertTile", kThemeValueDword, 1},
        {L".", kThemeValueDword, 2},
        {L"..", kThemeValueDword, 3},
        {L"Tile", kThemeValueDword, 4},
        {L"CertTile.DISABLED.FG", kThemeValueDword, 0xFF010203},
        {L"ZZ", kThemeValueDword, 5}},
       {{L"CertTile", kTileDisabled, 0xFF010203, 0xFFCBCBCB}}},
      {"leading dots are skipped for the tile name; the colour must still be named exactly",
       {{L".ProviderTile.FOCUS.BG", kThemeValueDword, 0xFF0000FF},
        {L"ProviderTile.FOCUS.FG", kThemeValueDword, 0xFF00FF00}},
       {{L"ProviderTile", kTileFocus, 0xFF00FF00, 0xFF808080}}},
      {"unknown states and parts are ignored",
       {{L"CertTile.HOVER.BG", kThemeValueDword, 0xFF445566}, {L"CertTile.ACTIVE.XX", kThemeValueDword, 7}},
       {{L"CertTile", kTileActive, 0xFFFFFFFF, 0xFF808080}}},
  };
  for (const Case& c : cases) {
    const CTileThemeTable table = Load(c.values);
    for (const Expect& e : c.expected) {
      const CTileTheme theme = LookupTileTheme(table, e.tile, DefaultTileTheme());
      EXPECT_TRUE(theme.set && theme.states[e.state].set) << c.what;
      EXPECT_EQ(theme.states[e.state].foreground.argb, e.foreground) << c.what;
      EXPECT_EQ(theme.states[e.state].background.argb, e.background) << c.what;
    }
  }
}

TEST(TileThemeTest, ColourBytesFollowTheStoredValue) {
  const CTileThemeTable table = Load({{L"CertTile.FOCUS.FG", kThemeValueDword, 0x80C0FF10}});
  const CTileColor colour =
      LookupTileTheme(table, L"CertTile", DefaultTileTheme()).states[kTileFocus].foreground;
  EXPECT_TRUE(colour.set);
  EXPECT_EQ(colour.alpha, 0x80);
  EXPECT_EQ(colour.red, 0xC0);
  EXPECT_EQ(colour.green, 0xFF);
  EXPECT_EQ(colour.blue, 0x10);
  // A fresh theme is unset white; an unknown tile gets its defaults unchanged.
  EXPECT_EQ(LookupTileTheme(table, L"Other", CTileTheme()), CTileTheme());
  EXPECT_EQ(CTileColor().argb, 0xFFFFFFFFu);
}

// The key is read only as far as it answers: a key that fails on every index (deleted meanwhile) is
// asked once, a value too large for the buffers is skipped, and no index past the count is read.
TEST(TileThemeTest, EnumerationEnds) {
  struct Case {
    const char* what;
    std::uint32_t count;
    std::vector<ThemeValueRead> answers;  // per index; the last repeats
    std::uint32_t expectedReads;
    size_t expectedValues;
  } cases[] = {
      {"fails for every index", 5, {ThemeValueRead::kFailed}, 1, 0},
      {"too large values are skipped",
       4,
       {ThemeValueRead::kValue, ThemeValueRead::kTooLarge, ThemeValueRead::kValue,
        ThemeValueRead::kNoMoreItems},
       4,
       2},
      {"stops at the value count", 3, {ThemeValueRead::kValue}, 3, 3},
      {"fewer values than counted", 9, {ThemeValueRead::kValue, ThemeValueRead::kNoMoreItems}, 2, 1},
      {"a huge count is bounded", 0xFFFFFFFFu, {ThemeValueRead::kTooLarge}, kMaxThemeValues, 0},
      {"an error after values keeps them", 9, {ThemeValueRead::kValue, ThemeValueRead::kFailed}, 2, 1},
  };
  for (const Case& c : cases) {
    std::uint32_t reads = 0;
    const auto read = [&](std::uint32_t index, CThemeValue& out) {
      ++reads;
      out.name = L"T.ACTIVE.FG" + std::to_wstring(index);
      out.type = kThemeValueDword;
      return c.answers[index < c.answers.size() ? index : c.answers.size() - 1];
    };
    EXPECT_EQ(CollectThemeValues(c.count, read).size(), c.expectedValues) << c.what;
    EXPECT_EQ(reads, c.expectedReads) << c.what;
  }
}

}  // namespace
}  // namespace luma::ui
