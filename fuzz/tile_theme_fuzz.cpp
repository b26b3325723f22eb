// The theme key's values as an administrator (or anyone with write access to the key) may leave
// them: any names, types, data and enumeration results. Reading must end, and every tile gets a
// complete theme.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/core/tile_theme.h"

using luma::ui::CThemeValue;
using luma::ui::ThemeValueRead;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Records: result (1 byte), type (1), data (4), name length (1), name characters (1 byte each).
  struct Record {
    ThemeValueRead result;
    CThemeValue value;
  };
  std::vector<Record> records;
  std::size_t at = 0;
  while (at + 7 <= size) {
    Record record;
    record.result = static_cast<ThemeValueRead>(data[at] % 4);
    record.value.type = data[at + 1] % 8;
    record.value.data = static_cast<std::uint32_t>(data[at + 2]) << 24 |
                        static_cast<std::uint32_t>(data[at + 3]) << 16 |
                        static_cast<std::uint32_t>(data[at + 4]) << 8 | data[at + 5];
    const std::size_t length = data[at + 6];
    at += 7;
    for (std::size_t i = 0; i < length && at < size; ++i, ++at) {
      record.value.name.push_back(static_cast<wchar_t>(data[at]));
    }
    records.push_back(record);
  }
  std::uint32_t reads = 0;
  const auto read = [&](std::uint32_t index, CThemeValue& out) {
    ++reads;
    if (index >= records.size()) return ThemeValueRead::kNoMoreItems;
    out = records[index].value;
    return records[index].result;
  };
  const auto values = luma::ui::CollectThemeValues(static_cast<std::uint32_t>(records.size()) + 3, read);
  if (reads > luma::ui::kMaxThemeValues) std::abort();
  const luma::ui::CTileThemeTable table = luma::ui::BuildTileThemes(values);
  const luma::ui::CTileTheme defaults = luma::ui::DefaultTileTheme();
  for (const auto& entry : table) {
    const luma::ui::CTileTheme theme = luma::ui::LookupTileTheme(table, entry.first, defaults);
    for (const auto& state : theme.states) {
      if (!state.set || !state.foreground.set || !state.background.set) std::abort();
    }
  }
  luma::ui::LookupTileTheme(table, L"CertTile", defaults);
  return 0;
}
