#include "foundation/win/windows_exception.h"

#include <cwchar>

#include "foundation/win/unique_handle.h"

namespace {
std::wstring Hex(DWORD code) {
  wchar_t text[16];
  _snwprintf(text, 16, L"[0x%08x]", static_cast<unsigned>(code));
  text[15] = 0;
  return text;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
}  // namespace

namespace luma {

std::wstring FormatSystemErrorMessage(DWORD code, bool appendCode) {
  wchar_t* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  DWORD length = FormatMessageW(flags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
                                reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0) {
    // Network errors have their texts in WinINet; it is consulted only when already loaded.
    if (HMODULE wininet = GetModuleHandleW(L"WinINet.dll")) {
      length = FormatMessageW(flags | FORMAT_MESSAGE_FROM_HMODULE, wininet, code, 0,
                              reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    }
  }
  // Freed on every path, also when a copy below runs out of memory.
  const luma::CLocalMemoryHandle owned(buffer);
  if (length == 0 || buffer == nullptr) return Hex(code);
  std::wstring text(buffer, length);
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  if (appendCode) text += L" " + Hex(code);
  return text;
}

}  // namespace luma

CWindowsException::CWindowsException() : CWindowsException(GetLastError()) {}

CWindowsException::CWindowsException(DWORD code)
    : error(code), message(luma::FormatSystemErrorMessage(code, false)) {}
