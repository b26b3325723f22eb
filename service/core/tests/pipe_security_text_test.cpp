#include "service/core/pipe_security_text.h"

#include <gtest/gtest.h>

namespace {

using luma::service::BuildPipeSecurityText;
using luma::service::PipeMode;

const WString kOwner = WSTR("S-1-5-21-1004336348-1177238915-682003330-1001");
const WString kGroup = WSTR("S-1-5-21-1004336348-1177238915-682003330-513");

TEST(PipeSecurityTextTest, PerUserPipeAdmitsTheOwnerOnly) {
  EXPECT_EQ(BuildPipeSecurityText(kOwner, kGroup, PipeMode::PerUser),
            WSTR("O:S-1-5-21-1004336348-1177238915-682003330-1001"
                 "G:S-1-5-21-1004336348-1177238915-682003330-513"
                 "D:(A;;GA;;;S-1-5-21-1004336348-1177238915-682003330-1001)(D;;GA;;;NU)"
                 "S:(ML;;NW;;;LW)"));
}

TEST(PipeSecurityTextTest, ReaderPipeAlsoAdmitsLocalServiceAndLocalLogonsButNotNetworkService) {
  EXPECT_EQ(BuildPipeSecurityText(kOwner, kGroup, PipeMode::Reader),
            WSTR("O:S-1-5-21-1004336348-1177238915-682003330-1001"
                 "G:S-1-5-21-1004336348-1177238915-682003330-513"
                 "D:(A;;GA;;;S-1-5-21-1004336348-1177238915-682003330-1001)"
                 "(A;;GRGW;;;S-1-5-19)(A;;GRGW;;;S-1-2-0)(D;;GA;;;NU)(D;;GA;;;NS)"
                 "S:(ML;;NW;;;LW)"));
}

TEST(PipeSecurityTextTest, MissingOwnerOrGroupMeansDefaultSecurity) {
  for (PipeMode mode : {PipeMode::Reader, PipeMode::PerUser}) {
    EXPECT_TRUE(BuildPipeSecurityText(WString(), kGroup, mode).empty());
    EXPECT_TRUE(BuildPipeSecurityText(kOwner, WString(), mode).empty());
  }
}

}  // namespace
