#include "foundation/core/string_utils.h"

namespace luma {

namespace {

WCHAR AsciiLower(WCHAR c) { return (c >= 'A' && c <= 'Z') ? static_cast<WCHAR>(c + ('a' - 'A')) : c; }
WCHAR AsciiUpper(WCHAR c) { return (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - ('a' - 'A')) : c; }

int HexValue(WCHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

WString ToLowerCase(const WString& text) {
  WString result(text);
  for (auto& c : result) c = AsciiLower(c);
  return result;
}

WString ToUpperCase(const WString& text) {
  WString result(text);
  for (auto& c : result) c = AsciiUpper(c);
  return result;
}

bool EqualsIgnoreCase(const WString& a, const WString& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string WideToNarrow(const WCHAR* text) {
  if (text == nullptr) return std::string();
  std::string result;
  for (const WCHAR* p = text; *p != 0; ++p) {
    if (static_cast<unsigned>(*p) > 0xFF) return std::string();
    result.push_back(static_cast<char>(static_cast<unsigned char>(*p)));
  }
  return result;
}

std::string WideToNarrow(const WString& text) { return WideToNarrow(text.c_str()); }

WString NarrowToWide(const char* text) {
  if (text == nullptr) return WString();
  WString result;
  for (const char* p = text; *p != 0; ++p)
    result.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*p)));
  return result;
}

WString NarrowToWide(const std::string& text) { return NarrowToWide(text.c_str()); }

bool IsTrimSpace(WCHAR c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

WString TrimWhitespace(const WString& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsTrimSpace(text[begin])) ++begin;
  while (end > begin && IsTrimSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::vector<WString> SplitString(const WString& text, const WString& delimiters) {
  std::vector<WString> pieces;
  WString rest = TrimWhitespace(text);
  for (;;) {
    const std::size_t at = rest.find_first_of(delimiters);
    if (at == WString::npos) {
      if (!rest.empty()) pieces.push_back(rest);
      return pieces;
    }
    pieces.push_back(TrimWhitespace(rest.substr(0, at)));
    rest = TrimWhitespace(rest.substr(at + 1));
  }
}

WString BytesToHex(const BYTE* bytes, std::size_t length) {
  static const char kDigits[] = "0123456789ABCDEF";
  WString text;
  if (bytes == nullptr) return text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(static_cast<WCHAR>(kDigits[bytes[i] >> 4]));
    text.push_back(static_cast<WCHAR>(kDigits[bytes[i] & 0x0F]));
  }
  return text;
}

bool HexToBytes(const WString& text, std::vector<BYTE>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  std::vector<BYTE> result;
  result.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]), low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    result.push_back(static_cast<BYTE>(high * 16 + low));
  }
  bytes.swap(result);
  return true;
}

}  // namespace luma
