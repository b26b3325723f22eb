#include "service/core/session_cookie.h"

namespace luma::service {
namespace {

bool IsBlank(WString::value_type c) { return c == WSTR(' ') || c == WSTR('\t'); }

WString Trimmed(const WString& text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

WString SessionCookieFromSetCookie(const WString& setCookie) {
  const size_t end = setCookie.find(WSTR(';'));
  const size_t pairEnd = end == WString::npos ? setCookie.size() : end;
  const size_t equals = setCookie.find(WSTR('='));
  if (equals == WString::npos || equals >= pairEnd) return WString();
  const WString name = Trimmed(setCookie, 0, equals);
  if (name.empty()) return WString();
  return name + WSTR("=") + Trimmed(setCookie, equals + 1, pairEnd);
}

}  // namespace luma::service
