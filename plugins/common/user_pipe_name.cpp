#include "plugins/common/user_pipe_name.h"

#include <new>

#include "foundation/win/system_utils.h"

namespace luma::plugin {

namespace {
constexpr wchar_t kPipePrefix[] = L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}";
}  // namespace

std::wstring BuildUserPipeName(const std::wstring& sid) {
  return std::wstring(kPipePrefix) + L"-{" + sid + L"}";
}

std::wstring GetUserPipeName() noexcept {
  try {
    return BuildUserPipeName(GetCurrentUserSidString());
  } catch (const std::bad_alloc&) {
    return std::wstring();
  }
}

}  // namespace luma::plugin
