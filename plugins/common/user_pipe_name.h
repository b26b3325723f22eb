// The per-user pipe that lumaPassV serves, named after the SID of the process owner.
#ifndef LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_
#define LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_

#include <string>

// The SID string of the user that owns this process; empty when the token cannot be read.
std::string GetCurrentUserSidString();

// "\\.\pipe\{06303303-1134-404F-88FF-7C10DE37620A}-{<sid>}"; the SID is widened with the ANSI code page.
std::wstring BuildUserPipeName(const std::string& sid);

// The pipe name for the process owner.
std::wstring GetUserPipeName();

#endif  // LUMA_PLUGINS_COMMON_USER_PIPE_NAME_H_
