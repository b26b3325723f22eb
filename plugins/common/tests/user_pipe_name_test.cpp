#include "plugins/common/user_pipe_name.h"

#include <gtest/gtest.h>

namespace {

TEST(UserPipeNameTest, PutsTheSidBetweenTheBraces) {
  EXPECT_EQ(L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}-{S-1-5-21-0-0-0-1000}",
            BuildUserPipeName("S-1-5-21-0-0-0-1000"));
  // An unreadable token leaves nothing between the braces.
  EXPECT_EQ(L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}-{}", BuildUserPipeName(""));
}

TEST(UserPipeNameTest, NamesThePipeAfterTheProcessOwner) {
  const std::string sid = GetCurrentUserSidString();
  ASSERT_EQ(0u, sid.rfind("S-1-", 0)) << sid;
  EXPECT_EQ(BuildUserPipeName(sid), GetUserPipeName());
}

}  // namespace
