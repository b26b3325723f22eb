// Feeds arbitrary command lines to lumaPassV's option parsing: elements split at NUL code units, the
// program path first. Beyond not crashing: the parser only reorders the elements (the same ones
// remain), an error message stays within its bound, and a line without error names no option text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "service/core/lumapassv_command_line.h"

using luma::service::COptionParser;
using luma::service::kLumaPassVOptions;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  std::vector<WString> words = {WSTR("lumaPassV.exe")};
  WString word;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const WCHAR unit = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
    if (unit == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word.push_back(unit);
    }
  }
  words.push_back(word);

  const luma::service::LumaPassVCommandLine line = luma::service::ParseLumaPassVCommandLine(words);
  if (line.error == 0 && !line.errorOptionText.empty()) std::abort();
  if (line.error != 0 && luma::service::CommandLineErrorTextId(line.error) == 0) std::abort();

  // Every flag combination over the same words, with a table that has every kind.
  static const luma::service::OptionEntry table[] = {{1, WSTR("--file"), 1}, {2, WSTR("-o"), 2},
                                                     {3, WSTR("-v"), 3},     {4, WSTR("-a"), 0},
                                                     {5, WSTR("word"), 0},   {-1, nullptr, 0}};
  const std::uint32_t flags = size > 0 ? (data[0] | ((data[size - 1] & 0x7) << 8)) & 0x77f : 0;
  std::vector<WString> copies(words);
  std::vector<WCHAR*> pointers;
  for (WString& w : copies) pointers.push_back(w.data());
  const std::vector<WCHAR*> before = pointers;
  COptionParser parser(static_cast<std::int32_t>(pointers.size()), pointers.data(), table, flags);
  for (size_t calls = 0; parser.Next(); ++calls) {
    if (calls > 2 * size + 4) std::abort();  // every call consumes something
  }
  if (parser.EndIndex() < 0 || parser.EndIndex() > static_cast<std::int32_t>(pointers.size())) std::abort();
  std::vector<WCHAR*> sortedBefore = before;
  std::vector<WCHAR*> sortedAfter = pointers;
  std::sort(sortedBefore.begin(), sortedBefore.end());
  std::sort(sortedAfter.begin(), sortedAfter.end());
  if (sortedBefore != sortedAfter) std::abort();
  (void)kLumaPassVOptions;
  return 0;
}
