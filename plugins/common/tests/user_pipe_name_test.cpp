#include "plugins/common/user_pipe_name.h"

#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"

namespace luma::plugin {
namespace {

TEST(UserPipeNameTest, PutsTheSidBetweenTheBraces) {
  EXPECT_EQ(L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}-{S-1-5-21-0-0-0-1000}",
            BuildUserPipeName(L"S-1-5-21-0-0-0-1000"));
  // An unreadable token leaves nothing between the braces.
  EXPECT_EQ(L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}-{}", BuildUserPipeName(L""));
}

TEST(UserPipeNameTest, NamesThePipeAfterTheProcessOwner) {
  const std::wstring sid = GetCurrentUserSidString();
  ASSERT_EQ(0u, sid.rfind(L"S-1-", 0));
  EXPECT_EQ(BuildUserPipeName(sid), GetUserPipeName());
}

}  // namespace
}  // namespace luma::plugin
