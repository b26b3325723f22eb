#include "foundation/core/system_utils_core.h"

#include "foundation/core/little_endian.h"
#include "foundation/core/string_utils.h"
#include "foundation/core/text_format.h"

namespace luma {

const WCHAR kVirtualReaderPrefix[] = WSTR("NUVAK Virtual Reader");

void SplitPrincipalName(const WString& name, WString& upn, WString& user, WString& domain) {
  upn = luma::TrimWhitespace(name);
  user.clear();
  domain.clear();
  const std::size_t at = upn.find('@');
  if (at != WString::npos && at >= 1) {
    user = upn.substr(0, at);
    domain = upn.substr(at + 1);
  }
}

bool SplitDomainUserName(const WString& name, WString& user, WString& domain) {
  const WString trimmed = luma::TrimWhitespace(name);
  user.clear();
  domain.clear();
  const std::size_t slash = trimmed.find('\\');
  if (slash == WString::npos || slash < 1) return false;
  domain = trimmed.substr(0, slash);
  user = trimmed.substr(slash + 1);
  return true;
}

bool IsVirtualReaderName(const WString& readerName) {
  const WString prefix(kVirtualReaderPrefix);
  if (readerName.size() < prefix.size()) return false;
  return luma::EqualsIgnoreCase(readerName.substr(0, prefix.size()), prefix);
}

bool ContainsVirtualReader(const WCHAR* readers, std::size_t length) {
  if (readers == nullptr) return false;
  std::size_t i = 0;
  while (i < length && readers[i] != 0) {
    const std::size_t start = i;
    while (i < length && readers[i] != 0) ++i;
    if (IsVirtualReaderName(WString(readers + start, i - start))) return true;
    ++i;  // past the terminator
  }
  return false;
}

WString FormatGuid(const BYTE b[16]) {
  using luma::AppendLowerHex;
  WString text;
  AppendLowerHex(text, luma::ReadLE32(b), 8);
  text.push_back('-');
  AppendLowerHex(text, static_cast<std::uint32_t>(b[4] | b[5] << 8), 4);
  text.push_back('-');
  AppendLowerHex(text, static_cast<std::uint32_t>(b[6] | b[7] << 8), 4);
  text.push_back('-');
  for (int i = 8; i < 16; ++i) {
    if (i == 10) text.push_back('-');
    AppendLowerHex(text, b[i], 2);
  }
  return text;
}

WString BytesToLowerHex(const BYTE* bytes, std::size_t length) {
  WString text;
  if (bytes == nullptr) return text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) luma::AppendLowerHex(text, bytes[i], 2);
  return text;
}

WString FirstPathSegment(const WString& path) {
  if (path.empty() || path[0] != '/') return WString();
  const std::size_t end = path.find('/', 1);
  return path.substr(1, end == WString::npos ? WString::npos : end - 1);
}

WString FormatDayMonthYearTime(int day, int month, int year, int hour, int minute, int second) {
  using luma::AppendDecimal;
  WString text;
  AppendDecimal(text, day, 2);
  text.push_back('.');
  AppendDecimal(text, month, 2);
  text.push_back('.');
  AppendDecimal(text, year, 4);
  text.push_back(' ');
  AppendDecimal(text, hour, 2);
  text.push_back(':');
  AppendDecimal(text, minute, 2);
  text.push_back(':');
  AppendDecimal(text, second, 2);
  return text;
}

}  // namespace luma
