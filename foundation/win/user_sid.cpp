// The current user's SID as text. Kept apart from the other identity facts so that a module that
// needs only the SID links advapi32 alone, not the network, security and session libraries.
// windows.h before sddl.h.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

#include <vector>

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace {
constexpr DWORD kTokenUserBuffer = 2048;
}  // namespace

namespace luma {

std::wstring GetCurrentUserSidString() {
  luma::CKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::wstring();
  std::vector<BYTE> info(kTokenUserBuffer);
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, info.data(), kTokenUserBuffer, &size))
    return std::wstring();
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid, &text))
    return std::wstring();
  const luma::CLocalMemoryHandle owned(text);
  return text;
}

}  // namespace luma
