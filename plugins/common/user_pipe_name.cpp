#include "plugins/common/user_pipe_name.h"

#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <memory>

namespace {

constexpr wchar_t kPipePrefix[] = L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}";
constexpr DWORD kTokenBufferSize = 2048;

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { CloseHandle(handle); }
};

std::wstring WidenAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int chars =
      MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], chars);
  return wide;
}

}  // namespace

std::string GetCurrentUserSidString() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
  // DWORD-aligned storage for the TOKEN_USER structure.
  DWORD buffer[kTokenBufferSize / sizeof(DWORD)] = {};
  DWORD returned = 0;
  BOOL ok;
  {
    HandleCloser closer{token};
    ok = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &returned);
  }
  if (!ok) return std::string();
  char* text = nullptr;
  if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return std::string();
  // The system's copy is released on every path, also when the copy below runs out of memory.
  const std::unique_ptr<char, decltype(&LocalFree)> owned(text, &LocalFree);
  return std::string(text);
}

std::wstring BuildUserPipeName(const std::string& sid) {
  return std::wstring(kPipePrefix) + L"-{" + WidenAnsi(sid) + L"}";
}

std::wstring GetUserPipeName() { return BuildUserPipeName(GetCurrentUserSidString()); }
