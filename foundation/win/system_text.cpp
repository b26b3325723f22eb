// Environment expansion, version texts, dates, wide strings in byte buffers, URL paths and the
// display signature.
// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <ctime>
#include <vector>

#include "foundation/core/platform.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/version_strings.h"

namespace {

constexpr DWORD kExpandBuffer = 260;

using GetFileVersionInfoExWFn = BOOL(WINAPI*)(DWORD, LPCWSTR, DWORD, DWORD, LPVOID);

// MinGW's import library lacks GetFileVersionInfoExW, so it is found at run time.
GetFileVersionInfoExWFn FindGetFileVersionInfoEx() {
  HMODULE version = GetModuleHandleW(L"version.dll");
  if (version == nullptr) version = LoadLibraryW(L"version.dll");
  if (version == nullptr) return nullptr;
  return reinterpret_cast<GetFileVersionInfoExWFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(version, "GetFileVersionInfoExW")));
}

// A string value of the version block; false when missing or empty. The reported length counts the
// terminating zero, so a length of 0 (which would underflow) is taken as missing too.
bool QueryVersionString(const void* block, const wchar_t* name, std::wstring& value) {
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block, name, &text, &length) || text == nullptr || length == 0) return false;
  value.assign(static_cast<const wchar_t*>(text), length - 1);
  return true;
}

bool QueryProductPair(const void* block, const wchar_t* table, std::wstring& name, std::wstring& version) {
  std::wstring n, v;
  const std::wstring prefix = std::wstring(L"\\StringFileInfo\\") + table + L"\\";
  if (!QueryVersionString(block, (prefix + L"ProductName").c_str(), n) ||
      !QueryVersionString(block, (prefix + L"ProductVersion").c_str(), v)) {
    return false;
  }
  name.swap(n);
  version.swap(v);
  return true;
}

}  // namespace

namespace luma {

std::wstring ExpandEnvironmentText(const std::wstring& text) {
  wchar_t buffer[kExpandBuffer];
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), buffer, kExpandBuffer);
  if (needed == 0) return std::wstring();
  if (needed <= kExpandBuffer) return buffer;
  std::vector<wchar_t> large(needed + 1);
  const DWORD again = ExpandEnvironmentStringsW(text.c_str(), large.data(), needed + 1);
  std::wstring result;
  if (again != 0 && again <= needed + 1) result = large.data();
  luma::SecureWipe(large.data(), large.size() * sizeof(wchar_t));
  return result;
}

DWORD GetFileVersionStrings(const std::wstring& path, std::wstring& productName, std::wstring& productVersion,
                            std::wstring& legalNotice) {
  productName.clear();
  productVersion.clear();
  legalNotice.clear();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return GetLastError();
  GetFileVersionInfoExWFn getInfo = FindGetFileVersionInfoEx();
  if (getInfo == nullptr) return GetLastError();
  CSecureBuffer block(size);
  if (block.data == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  if (!getInfo(FILE_VER_GET_NEUTRAL, path.c_str(), 0, size, block.data)) return GetLastError();
  return ReadVersionStrings(block.data, productName, productVersion, legalNotice);
}

DWORD ReadVersionStrings(const void* block, std::wstring& productName, std::wstring& productVersion,
                         std::wstring& legalNotice) {
  productName.clear();
  productVersion.clear();
  legalNotice.clear();
  if (!QueryProductPair(block, L"040004b0", productName, productVersion) &&
      !QueryProductPair(block, L"040904b0", productName, productVersion)) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_RESOURCE_TYPE_NOT_FOUND;
  }
  if (!QueryVersionString(block, L"\\StringFileInfo\\040004b0\\LegalCopyright", legalNotice)) {
    QueryVersionString(block, L"\\StringFileInfo\\040904b0\\LegalCopyright", legalNotice);
  }
  return ERROR_SUCCESS;
}

std::wstring FormatFileTime(const FILETIME& time) {
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::wstring();
  }
  return luma::FormatDayMonthYearTime(local.wDay, local.wMonth, local.wYear, local.wHour, local.wMinute,
                                      local.wSecond);
}

std::wstring FormatFileTimeDate(const FILETIME& time) {
  FILETIME localTime;
  SYSTEMTIME local;
  wchar_t text[255];
  if (FileTimeToLocalFileTime(&time, &localTime) && FileTimeToSystemTime(&localTime, &local) &&
      GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text, 255) > 0) {
    return text;
  }
  return FormatFileTime(time);
}

CalendarTime CalendarFromSystemTime(const SYSTEMTIME& time) {
  CalendarTime calendar;
  calendar.year = time.wYear;
  calendar.month = time.wMonth;
  calendar.day = time.wDay;
  calendar.hour = time.wHour;
  calendar.minute = time.wMinute;
  calendar.second = time.wSecond;
  calendar.milliseconds = time.wMilliseconds;
  return calendar;
}

__int64 FileTimeToTime64(const FILETIME& time) {
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&time, &utc)) return -1;
  // The calendar fields go through the runtime's local-time conversion, as the wire values of the
  // protocol have always been made.
  struct tm fields = {};
  fields.tm_mday = utc.wDay;
  fields.tm_mon = utc.wMonth - 1;
  fields.tm_year = utc.wYear - 1900;
  fields.tm_hour = utc.wHour;
  fields.tm_min = utc.wMinute;
  fields.tm_sec = utc.wSecond;
  fields.tm_isdst = 0;
  return _mktime64(&fields);
}

void StringToBuffer(const std::wstring& text, CSecureBuffer& buffer) {
  buffer.Clear();
  if (!text.empty()) buffer.Append(static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data());
}

void BufferToString(const CSecureBuffer& buffer, std::wstring& text) {
  if (buffer.data == nullptr) {
    text.clear();
    return;
  }
  text.assign(reinterpret_cast<const wchar_t*>(buffer.data), buffer.size / sizeof(wchar_t));
}

void WipeString(std::wstring& text) {
  if (!text.empty()) luma::SecureWipe(&text[0], text.size() * sizeof(wchar_t));
}

std::wstring GetUrlFirstPathSegment(const std::wstring& url) {
  if (url.empty()) return std::wstring();
  std::wstring path;
  if (url[0] == L'/') {
    path = url;
  } else {
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwUrlPathLength = 1;  // asks for a pointer into the text
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts) || parts.lpszUrlPath == nullptr ||
        parts.dwUrlPathLength == 0) {
      return std::wstring();
    }
    path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  }
  // The query and fragment are no part of a segment: a login page reached as "/login?expired=1"
  // lies under "login" as much as "/login/form" does.
  const size_t end = path.find_first_of(L"/?#", 1);
  return path.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
}

std::wstring GetDisplaySignature(HWND window) {
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONULL);
  if (monitor == nullptr) return std::wstring();
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return std::wstring();
  int dpi = 0;
  if (HDC dc = GetDC(window)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
  }
  wchar_t text[64];
  _snwprintf(text, 63, L"%dx%d@%d", static_cast<int>(info.rcMonitor.right - info.rcMonitor.left),
             static_cast<int>(info.rcMonitor.bottom - info.rcMonitor.top), dpi);
  text[63] = 0;
  return text;
}

}  // namespace luma
