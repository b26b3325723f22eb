#include "ui/core/countdown.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

// Nobody answers: 3m 00s after the first second, down to 0m 01s, and the tick after that cancels.
TEST(CountdownSequenceTest, ShowsThreeMinutesDownToOneSecondThenCancels) {
  CCountdownSequence countdown;
  EXPECT_FALSE(countdown.Tick().show) << "not started";
  countdown.Start();
  CountdownTick tick = countdown.Tick();
  EXPECT_TRUE(tick.show);
  EXPECT_FALSE(tick.cancel);
  EXPECT_EQ(3, tick.minutes);
  EXPECT_EQ(0, tick.seconds);
  tick = countdown.Tick();
  EXPECT_EQ(2, tick.minutes);
  EXPECT_EQ(59, tick.seconds);
  for (int i = 3; i < 180; ++i) ASSERT_FALSE(countdown.Tick().cancel) << i;
  tick = countdown.Tick();  // the 180th
  EXPECT_EQ(0, tick.minutes);
  EXPECT_EQ(1, tick.seconds);
  EXPECT_FALSE(tick.cancel);
  tick = countdown.Tick();  // 181 s after the start
  EXPECT_TRUE(tick.cancel);
  EXPECT_FALSE(tick.show);
  EXPECT_FALSE(countdown.Running());
  EXPECT_FALSE(countdown.Tick().cancel) << "cancels once";
}

// OK or Cancel stop it for good: a tick still on its way neither shows nor cancels.
TEST(CountdownSequenceTest, StoppedStaysStopped) {
  CCountdownSequence countdown;
  countdown.Start();
  countdown.Tick();
  countdown.Stop();
  for (int i = 0; i < 200; ++i) {
    const CountdownTick tick = countdown.Tick();
    ASSERT_FALSE(tick.show || tick.cancel) << i;
  }
}

}  // namespace
}  // namespace luma::ui
