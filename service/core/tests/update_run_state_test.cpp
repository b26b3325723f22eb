#include "service/core/update_run_state.h"

#include <gtest/gtest.h>

namespace luma::service {
namespace {

using Request = CUpdateRunState::Request;

TEST(UpdateRunStateTest, ChangesBeforeActivationJoinTheRun) {
  CUpdateRunState state;
  EXPECT_FALSE(state.IsRunning());
  EXPECT_EQ(state.RequestUpdate(), Request::kStartRun);
  EXPECT_EQ(state.RequestUpdate(), Request::kJoinsRun);
  EXPECT_EQ(state.RequestUpdate(), Request::kJoinsRun);
  state.Activated();
  EXPECT_FALSE(state.FinishPass());
  EXPECT_FALSE(state.IsRunning());
}

TEST(UpdateRunStateTest, ChangesAfterActivationCauseOneMorePass) {
  CUpdateRunState state;
  ASSERT_EQ(state.RequestUpdate(), Request::kStartRun);
  state.Activated();
  EXPECT_EQ(state.RequestUpdate(), Request::kExtraPass);
  EXPECT_EQ(state.RequestUpdate(), Request::kExtraPass);
  EXPECT_TRUE(state.FinishPass());
  EXPECT_TRUE(state.IsRunning());
  state.Activated();
  EXPECT_FALSE(state.FinishPass());
  EXPECT_FALSE(state.IsRunning());
}

// The run's decision to end and the next change's start are ordered by the owner's lock: a change
// right after the decision starts a new run instead of asking the ending one for a pass it never makes.
TEST(UpdateRunStateTest, ChangeAfterTheDecisionToEndStartsANewRun) {
  CUpdateRunState state;
  ASSERT_EQ(state.RequestUpdate(), Request::kStartRun);
  state.Activated();
  ASSERT_FALSE(state.FinishPass());
  EXPECT_EQ(state.RequestUpdate(), Request::kStartRun);
  // The new run starts afresh: a change before its activation joins it.
  EXPECT_EQ(state.RequestUpdate(), Request::kJoinsRun);
}

TEST(UpdateRunStateTest, FailedOrAbandonedRunsLeaveRoomForTheNext) {
  CUpdateRunState state;
  ASSERT_EQ(state.RequestUpdate(), Request::kStartRun);
  state.RunNotStarted();
  EXPECT_EQ(state.RequestUpdate(), Request::kStartRun);
  state.Activated();
  state.Abandon();
  EXPECT_EQ(state.RequestUpdate(), Request::kStartRun);
}

}  // namespace
}  // namespace luma::service
