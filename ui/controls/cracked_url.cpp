#include "ui/controls/cracked_url.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace luma {
namespace ui {

CCrackedUrl::CCrackedUrl(const std::wstring& text) : url(text) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  // Lengths of 1 ask for pointers into the URL itself.
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (url.empty() || url.size() > 0x7FFFFFFF ||
      !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return;
  }
  auto part = [](const wchar_t* text, DWORD length) {
    return text != nullptr ? std::wstring(text, length) : std::wstring();
  };
  scheme = parts.nScheme;
  port = parts.nPort;
  schemeName = part(parts.lpszScheme, parts.dwSchemeLength);
  hostName = part(parts.lpszHostName, parts.dwHostNameLength);
  urlPath = part(parts.lpszUrlPath, parts.dwUrlPathLength);
  extraInfo = part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
}

}  // namespace ui
}  // namespace luma
