#include "foundation/core/version.h"

#include <climits>
#include <vector>

namespace {

// The C runtime's iswspace: the ASCII blanks and the Unicode space separators.
bool IsVersionSpace(WCHAR c) {
  const unsigned u = static_cast<unsigned>(c);
  return u == 0x20 || (u >= 0x09 && u <= 0x0D) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F ||
         u == 0x3000;
}

WString TrimVersionText(const WString& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsVersionSpace(text[begin])) ++begin;
  while (end > begin && IsVersionSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IsDigit(WCHAR c) { return c >= '0' && c <= '9'; }

// The C runtime's _wtoi: leading blanks, an optional sign, then the leading digits; 0 without
// digits. Values beyond the 32-bit range saturate.
int WideToInt(const WString& text) {
  std::size_t i = 0;
  while (i < text.size() && IsVersionSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return value > INT_MAX ? INT_MIN : -static_cast<int>(value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Tokens between dots; runs of dots count as one separator and empty tokens are never produced.
std::vector<WString> SplitAtDots(const WString& text) {
  std::vector<WString> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == '.') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != '.') ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

int OperatorFromText(const WString& text) {
  if (text == WSTR("<")) return CVersionMatch::kLess;
  if (text == WSTR("<=")) return CVersionMatch::kLessOrEqual;
  if (text == WSTR("=")) return CVersionMatch::kEqual;
  if (text == WSTR(">=")) return CVersionMatch::kGreaterOrEqual;
  if (text == WSTR(">")) return CVersionMatch::kGreater;
  if (text == WSTR("!") || text == WSTR("<>")) return CVersionMatch::kNotEqual;
  return CVersionMatch::kNever;
}

}  // namespace

namespace luma {

int ParseVersionPart(const WString& text) {
  const int value = WideToInt(TrimVersionText(text));
  return value < 0 ? 0 : value;
}

int ParseVersionMatchPart(const WString& text) {
  const WString trimmed = TrimVersionText(text);
  if (trimmed.empty() || trimmed == WSTR("*")) return -1;
  const int value = WideToInt(trimmed);
  return value < 0 ? -1 : value;
}

bool CompareVersionPart(int conditionPart, int versionPart, int& comparison) {
  comparison = 0;
  if (conditionPart == -1) return false;
  if (versionPart == -1 || versionPart > conditionPart) {
    comparison = -1;
  } else if (versionPart < conditionPart) {
    comparison = 1;
  }
  return true;
}

}  // namespace luma

CVersion::CVersion(const WString& text) {
  const std::vector<WString> tokens = SplitAtDots(TrimVersionText(text));
  int* const fields[4] = {&major, &minor, &build, &revision};
  for (std::size_t i = 0; i < tokens.size() && i < 4; ++i) *fields[i] = luma::ParseVersionPart(tokens[i]);
}

CVersionMatch::CVersionMatch(const WString& text) {
  WString rest = TrimVersionText(text);
  std::size_t digit = 0;
  while (digit < rest.size() && !IsDigit(rest[digit])) ++digit;
  if (digit > 0 && digit < rest.size()) {
    op = OperatorFromText(rest.substr(0, digit));
    rest = rest.substr(digit);
  }
  const std::vector<WString> tokens = SplitAtDots(rest);
  if (tokens.empty()) return;
  parts[0] = luma::ParseVersionMatchPart(tokens[0]);
  for (std::size_t i = 1; i < 4 && i < tokens.size() && parts[i - 1] != -1; ++i) {
    parts[i] = luma::ParseVersionMatchPart(tokens[i]);
  }
}

bool CVersionMatch::Matches(const CVersion& version) const {
  int r = 0;
  if (parts[0] != -1) {
    if (version.major < parts[0]) {
      r = 1;
    } else if (version.major > parts[0]) {
      r = -1;
    } else {
      const int rest[3] = {version.minor, version.build, version.revision};
      for (int i = 0; i < 3; ++i) {
        if (!luma::CompareVersionPart(parts[i + 1], rest[i], r) || r != 0) break;
      }
    }
  }
  switch (op) {
    case kLess:
      return r > 0;
    case kLessOrEqual:
      return r >= 0;
    case kEqual:
      return r == 0;
    case kGreaterOrEqual:
      return r <= 0;
    case kGreater:
      return r < 0;
    case kNotEqual:
      return r != 0;
    default:
      return false;
  }
}

bool CVersionMatch::operator<(const CVersionMatch& other) const {
  for (int i = 0; i < 3; ++i) {
    const int a = parts[i], b = other.parts[i];
    if (a != -1 && b == -1) return true;
    if (a == -1 && b != -1) return false;
    if (a != b) return a < b;
  }
  if (parts[3] == -1) return false;
  return other.parts[3] == -1 || other.parts[3] > parts[3];
}
