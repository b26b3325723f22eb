#include "ui/browser/web_helpers.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <shlwapi.h>
#include <wininet.h>
// clang-format on

#include <vector>

#include "foundation/win/system_utils.h"
#include "ui/core/http_headers.h"

namespace luma::ui {
namespace {

constexpr DWORD kEscapeCapacity = 2084;  // INTERNET_MAX_URL_LENGTH + 1
constexpr DWORD kFirstCookieCapacity = 4104;
constexpr DWORD kMaxCookieCapacity = 1024 * 1024;  // no cookie store holds more for one name

// A zero-filled character buffer that is wiped before it is freed.
class CWipedChars {
 public:
  explicit CWipedChars(DWORD count) : chars(count, L'\0') {}
  ~CWipedChars() { SecureZeroMemory(chars.data(), chars.size() * sizeof(wchar_t)); }
  CWipedChars(const CWipedChars&) = delete;
  CWipedChars& operator=(const CWipedChars&) = delete;
  wchar_t* data() { return chars.data(); }
  DWORD size() const { return static_cast<DWORD>(chars.size()); }

 private:
  std::vector<wchar_t> chars;
};

// The named cookie of the text the platform wrote. Its reported length counts the terminating zero,
// so the text ends at the first zero within it; and some platforms hand back every cookie of the
// address whatever the name, so the named one is picked out of the list.
std::wstring TextOf(CWipedChars& buffer, DWORD reported, const std::wstring& name) {
  const DWORD limit = reported < buffer.size() ? reported : buffer.size();
  DWORD length = 0;
  while (length < limit && buffer.data()[length] != L'\0') ++length;
  std::wstring list(buffer.data(), length);
  std::wstring cookie = SelectCookie(list, name);
  WipeString(list);
  return cookie;
}

using EmptyCacheFunction = BOOL(WINAPI*)(LPSTR, DWORD);
using IncrementHeaderFunction = BOOL(WINAPI*)(DWORD, LPDWORD);

}  // namespace

std::wstring EscapeUrlValue(const std::wstring& value) {
  if (value.size() >= kEscapeCapacity) return value;
  std::vector<wchar_t> buffer(kEscapeCapacity, L'\0');
  DWORD length = kEscapeCapacity;
  if (FAILED(UrlEscapeW(value.c_str(), buffer.data(), &length, URL_ESCAPE_SEGMENT_ONLY))) return value;
  return std::wstring(buffer.data(), length < kEscapeCapacity ? length : kEscapeCapacity - 1);
}

std::wstring GetCookieByName(const CNavigationContext& context, const std::wstring& name) {
  const std::wstring& url = context.requestedUrl.url;
  if (url.empty() || name.empty()) return std::wstring();
  CWipedChars first(kFirstCookieCapacity);
  DWORD size = first.size();  // in characters
  if (InternetGetCookieExW(url.c_str(), name.c_str(), first.data(), &size, INTERNET_COOKIE_HTTPONLY,
                           nullptr)) {
    return TextOf(first, size, name);
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0 || size >= kMaxCookieCapacity)
    return std::wstring();
  CWipedChars second(size + 1);
  DWORD secondSize = second.size();
  if (!InternetGetCookieExW(url.c_str(), name.c_str(), second.data(), &secondSize, INTERNET_COOKIE_HTTPONLY,
                            nullptr)) {
    return std::wstring();
  }
  return TextOf(second, secondSize, name);
}

bool ExpireCookie(const std::wstring& url, const std::wstring& name) {
  if (url.empty() || name.empty()) return false;
  return InternetSetCookieW(url.c_str(), name.c_str(), L"empty;expires=Mon, 01 Jan 0001 00:00:00 GMT") !=
         FALSE;
}

void SetElementInnerHtml(const CNavigationContext& context, const std::wstring& elementId,
                         const std::wstring& html) {
  if (context.control != nullptr) context.control->SetElementInnerHtml(elementId, html);
}

bool DocumentHasBodyText(const CNavigationContext& context) {
  return context.control != nullptr && context.control->DocumentHasBodyText();
}

void ClearSslSessionCache() {
  if (HMODULE schannel = LoadLibraryW(L"schannel.dll")) {
    if (auto empty = reinterpret_cast<EmptyCacheFunction>(
            reinterpret_cast<void*>(GetProcAddress(schannel, "SslEmptyCacheA")))) {
      empty(nullptr, 0);
    }
    FreeLibrary(schannel);
  }
  if (HMODULE wininet = LoadLibraryW(L"wininet.dll")) {
    if (auto increment = reinterpret_cast<IncrementHeaderFunction>(
            reinterpret_cast<void*>(GetProcAddress(wininet, "IncrementUrlCacheHeaderData")))) {
      DWORD value = 14;
      SetLastError(0);
      increment(14, &value);
    }
    FreeLibrary(wininet);
  }
}

}  // namespace luma::ui
