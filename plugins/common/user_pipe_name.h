// The per-user pipe that lumaPassV serves, named after the SID of the process owner.
#ifndef LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_
#define LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_

#include <string>

namespace luma::plugin {

// "\\.\pipe\{06303303-1134-404F-88FF-7C10DE37620A}-{<sid>}". Throws std::bad_alloc only.
std::wstring BuildUserPipeName(const std::wstring& sid);

// The pipe name for the process owner; the SID comes from the foundation's GetCurrentUserSidString,
// and an unreadable token leaves nothing between the braces. Empty when memory runs out: never throws.
std::wstring GetUserPipeName() noexcept;

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_
