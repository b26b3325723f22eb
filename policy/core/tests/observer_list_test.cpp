#include "policy/core/observer_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace luma {
namespace {

// An observer whose call can be held open until the test lets it go.
class CHeldObserver {
 public:
  void Changed() {
    entered.set_value();
    released.get_future().wait();
    // Still touching the object after the test let it go: a removal that returned early would let
    // the test free it under this write.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    calls.fetch_add(1);
  }
  void WaitUntilInside() { entered.get_future().wait(); }
  void Release() { released.set_value(); }

  std::atomic<int> calls{0};

 private:
  std::promise<void> entered;
  std::promise<void> released;
};

TEST(ObserverListTest, RemoveWaitsForACallInFlightThenNoCallStarts) {
  CObserverList<CHeldObserver> list;
  auto observer = std::make_unique<CHeldObserver>();
  CHeldObserver* raw = observer.get();
  list.Add(raw);
  std::thread notifier([&] { list.Notify([](CHeldObserver& o) { o.Changed(); }); });
  raw->WaitUntilInside();

  std::atomic<bool> removed{false};
  std::thread remover([&] {
    list.Remove(raw);
    removed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(removed.load()) << "Remove returned while the observer was still being called";
  raw->Release();
  remover.join();
  EXPECT_EQ(1, raw->calls.load());
  observer.reset();  // what an owner does once Remove has returned
  notifier.join();

  int later = 0;
  list.Notify([&](CHeldObserver&) { ++later; });
  EXPECT_EQ(0, later);
  EXPECT_EQ(0u, list.Size());
}

struct CCountingObserver {
  int calls = 0;
};

TEST(ObserverListTest, RemovalWithoutWaiting) {
  // An observer that removes itself during its call does not wait for itself.
  {
    CObserverList<CCountingObserver> list;
    CCountingObserver self;
    list.Add(&self);
    list.Notify([&](CCountingObserver& o) {
      ++o.calls;
      list.Remove(&o);
    });
    EXPECT_EQ(1, self.calls);
    EXPECT_EQ(0u, list.Size());
  }
  // Added twice, removed once: still listed and still called, once.
  {
    CObserverList<CCountingObserver> list;
    CCountingObserver twice;
    list.Add(&twice);
    list.Add(&twice);
    list.Remove(&twice);
    list.Notify([](CCountingObserver& o) { ++o.calls; });
    EXPECT_EQ(1, twice.calls);
  }
  // Removed by an earlier observer of the same notification: skipped.
  {
    CObserverList<CCountingObserver> list;
    CCountingObserver first, second;
    list.Add(&first);
    list.Add(&second);
    list.Notify([&](CCountingObserver& o) {
      ++o.calls;
      if (&o == &first) list.Remove(&second);
    });
    EXPECT_EQ(1, first.calls);
    EXPECT_EQ(0, second.calls);
  }
  // Null and unknown observers change nothing.
  {
    CObserverList<CCountingObserver> list;
    CCountingObserver known, unknown;
    list.Add(nullptr);
    list.Add(&known);
    list.Remove(&unknown);
    list.Remove(nullptr);
    EXPECT_EQ(1u, list.Size());
  }
}

TEST(ObserverListTest, AnObserverThatThrowsEndsItsCallRecord) {
  CObserverList<CCountingObserver> list;
  CCountingObserver observer;
  list.Add(&observer);
  EXPECT_THROW(list.Notify([](CCountingObserver&) -> void { throw std::runtime_error("observer"); }),
               std::runtime_error);
  std::thread other([&] { list.Remove(&observer); });  // would wait for ever on a leaked record
  other.join();
  EXPECT_EQ(0u, list.Size());
}

[[noreturn]] void ThrowOnViolation(LockRank, LockRank) { throw std::logic_error("lock order"); }

TEST(ObserverListTest, RemovalUnderTheHandlersLockIsReported) {
  if (!kLockOrderChecks) GTEST_SKIP() << "lock-order checks are not compiled into this build";
  CObserverList<CCountingObserver> list;
  CCountingObserver observer;
  list.Add(&observer);
  CRankedMutexObj mainLock(LockRank::kHandlerMain);
  const LockOrderViolationHandler previous = SetLockOrderViolationHandler(ThrowOnViolation);
  {
    CRankedMutexObjLock guard(mainLock);
    EXPECT_THROW(list.Remove(&observer), std::logic_error);
  }
  SetLockOrderViolationHandler(previous);
  EXPECT_EQ(1u, list.Size());
  list.Remove(&observer);
  EXPECT_EQ(0u, list.Size());
}

}  // namespace
}  // namespace luma
