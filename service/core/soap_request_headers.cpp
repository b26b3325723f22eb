#include "service/core/soap_request_headers.h"

namespace luma::service {

bool IsSendableCookie(std::wstring_view cookie) {
  if (cookie.size() > kMaxCookieLength) return false;
  for (const wchar_t c : cookie) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::wstring BuildRequestHeaders(std::wstring_view actionLine, std::wstring_view localeName,
                                 std::wstring_view cookie) {
  std::wstring headers;
  if (!actionLine.empty()) {
    headers.append(actionLine);
    headers.append(L"Content-Type: text/xml; charset=utf-8\r\n");
  } else {
    headers.append(L"Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n");
    if (!localeName.empty()) {
      headers.append(L"Accept-Language: ").append(localeName).append(L"\r\n");
    }
  }
  if (!cookie.empty()) headers.append(L"Cookie: ").append(cookie).append(L"\r\n");
  return headers;
}

std::wstring ContentLengthHeader(std::size_t length) {
  return L"Content-Length: " + std::to_wstring(length) + L"\r\n";
}

}  // namespace luma::service
