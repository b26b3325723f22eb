#include "foundation/core/lock_order.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using luma::LockRank;

struct Violation {
  int count = 0;
  LockRank held{};
  LockRank wanted{};
};
Violation recorded;

// Records violations in place of aborting, for the length of a test.
class LockOrderTest : public ::testing::Test {
 protected:
  LockOrderTest() {
    recorded = Violation();
    previous = luma::SetLockOrderViolationHandler([](LockRank held, LockRank wanted) {
      ++recorded.count;
      recorded.held = held;
      recorded.wanted = wanted;
    });
  }
  ~LockOrderTest() override { luma::SetLockOrderViolationHandler(previous); }

  luma::LockOrderViolationHandler previous = nullptr;
};

TEST_F(LockOrderTest, LowerRankWhileHigherIsHeldIsReported) {
  struct Case {
    const char* name;
    std::initializer_list<LockRank> taken;  // in order, all held at once
    int violations;
  } cases[] = {
      {"update, then main", {LockRank::kPolicyUpdate, LockRank::kHandlerMain}, 0},
      {"update taken again inside itself", {LockRank::kPolicyUpdate, LockRank::kPolicyUpdate}, 0},
      {"main, then update", {LockRank::kHandlerMain, LockRank::kPolicyUpdate}, 1},
      {"update, main, update", {LockRank::kPolicyUpdate, LockRank::kHandlerMain, LockRank::kPolicyUpdate}, 1},
  };
  for (const Case& c : cases) {
    recorded = Violation();
    for (LockRank rank : c.taken) luma::NoteRankedLockTaken(rank);
    for (auto rank = std::rbegin(c.taken); rank != std::rend(c.taken); ++rank)
      luma::NoteRankedLockReleased(*rank);
    EXPECT_EQ(recorded.count, c.violations) << c.name;
    if (c.violations != 0) {
      EXPECT_EQ(recorded.held, LockRank::kHandlerMain) << c.name;
      EXPECT_EQ(recorded.wanted, LockRank::kPolicyUpdate) << c.name;
    }
  }
}

TEST_F(LockOrderTest, ReleasedAndOtherThreadsLocksAreNotHeld) {
  luma::NoteRankedLockTaken(LockRank::kHandlerMain);
  std::thread other([] {
    luma::NoteRankedLockTaken(LockRank::kPolicyUpdate);
    luma::NoteRankedLockReleased(LockRank::kPolicyUpdate);
  });
  other.join();
  EXPECT_EQ(recorded.count, 0) << "another thread's main lock";
  luma::NoteRankedLockReleased(LockRank::kHandlerMain);
  luma::NoteRankedLockTaken(LockRank::kPolicyUpdate);
  luma::NoteRankedLockReleased(LockRank::kPolicyUpdate);
  EXPECT_EQ(recorded.count, 0) << "a released main lock";
}

struct WrongOrder {};

// The handler throws, so the wrong order is never actually taken (which the thread sanitizer would
// report as a potential deadlock of its own).
TEST_F(LockOrderTest, RankedScopedLocksCheckBeforeWaiting) {
  if (!luma::kLockOrderChecks) GTEST_SKIP() << "lock-order checks are not compiled into this build";
  luma::SetLockOrderViolationHandler([](LockRank, LockRank) {
    ++recorded.count;
    throw WrongOrder();
  });
  luma::CRankedMutexObj update(LockRank::kPolicyUpdate);
  luma::CRankedMutexObj main(LockRank::kHandlerMain);
  {
    luma::CRankedMutexObjLock outer(update);
    luma::CRankedMutexObjLock inner(main);
  }
  EXPECT_EQ(recorded.count, 0);
  {
    luma::CRankedMutexObjLock outer(main);
    EXPECT_THROW(luma::CRankedMutexObjLock inner(update), WrongOrder);
  }
  EXPECT_EQ(recorded.count, 1);
  luma::CRankedMutexObjLock alone(update);
  EXPECT_EQ(recorded.count, 1) << "both scoped locks forgot their ranks";
}

}  // namespace
