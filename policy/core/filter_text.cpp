#include "policy/core/filter_text.h"

#include <cwctype>
#include <limits>

namespace luma::filter_text {

bool IsWhiteSpace(WCHAR c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

WString ReplaceAll(WString text, const WString& from, const WString& to) {
  if (from.empty()) return text;
  for (auto pos = text.find(from); pos != WString::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

WString UnescapeFilterText(const WString& text) {
  static const struct {
    const WCHAR* escape;
    const WCHAR* character;
  } kEscapes[] = {
      {WSTR("\\2a"), WSTR("*")},  {WSTR("\\28"), WSTR("(")}, {WSTR("\\29"), WSTR(")")},
      {WSTR("\\5c"), WSTR("\\")}, {WSTR("\\3a"), WSTR(":")}, {WSTR("\\7b"), WSTR("{")},
      {WSTR("\\7d"), WSTR("}")},
  };
  WString result(text);
  for (const auto& e : kEscapes) result = ReplaceAll(std::move(result), e.escape, e.character);
  return result;
}

bool ParseDecimalInt32(const WString& text, std::int32_t& number) {
  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == WSTR('+') || text[i] == WSTR('-'))) {
    negative = text[i] == WSTR('-');
    ++i;
  }
  // Accumulated as a magnitude; the negative range is one larger than the positive one.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  bool anyDigit = false;
  for (; i < text.size() && text[i] >= WSTR('0') && text[i] <= WSTR('9'); ++i) {
    anyDigit = true;
    magnitude = magnitude * 10 + (text[i] - WSTR('0'));
    if (magnitude > limit) return false;
  }
  if (!anyDigit) return false;
  number = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace luma::filter_text
