#include "policy/core/policy_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/core/lock_order.h"

namespace {

struct FakePolicy {
  WString accountKey;
  WString userId;
  int content = 0;
  int thisUpdate = 0;
  bool persistent = false;
  bool prepared = false;

  bool IsSameContent(const FakePolicy& other, bool& sameThisUpdate) const {
    sameThisUpdate = thisUpdate == other.thisUpdate;
    return content == other.content;
  }
};

using Ptr = std::shared_ptr<FakePolicy>;

Ptr Account(const WCHAR* user, int content, int thisUpdate = 1) {
  auto policy = std::make_shared<FakePolicy>();
  policy->userId = user;
  policy->accountKey = WString(WSTR("acme/")) + user;
  policy->content = content;
  policy->thisUpdate = thisUpdate;
  return policy;
}

// Records what the list asked of its owner; notifications also check that the list lock is free.
class PolicyListTest : public ::testing::Test {
 protected:
  PolicyListTest() : list(lock, MakeHooks()) {}

  CPolicyList<FakePolicy>::Hooks MakeHooks() {
    CPolicyList<FakePolicy>::Hooks hooks;
    hooks.prepare = [](FakePolicy& policy) { policy.prepared = true; };
    hooks.saveFile = [this](const FakePolicy& p) { Record("save", p); };
    hooks.deleteFile = [this](const FakePolicy& p) { Record("delete", p); };
    hooks.logout = [this](const FakePolicy& p) { Record("logout", p); };
    hooks.notify = [this](PolicyChange change, const Ptr& p) {
      std::thread other([this] { CMutexObjLock probe(lock); });  // would hang if the list lock were held
      other.join();
      Record(change == PolicyChange::kAdded     ? "added"
             : change == PolicyChange::kRemoved ? "removed"
                                                : "updated",
             *p);
    };
    return hooks;
  }
  void Record(const char* what, const FakePolicy& policy) {
    CMutexObjLock guard(recordLock);
    events.push_back(std::string(what) + " " + std::string(policy.userId.begin(), policy.userId.end()) + " " +
                     std::to_string(policy.content) + "." + std::to_string(policy.thisUpdate));
  }
  std::vector<std::string> Take() {
    CMutexObjLock guard(recordLock);
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
  }
  std::list<Ptr> All() {
    std::list<Ptr> all;
    list.GetAll(all);
    return all;
  }

  CMutexObj lock;
  CMutexObj recordLock;
  std::vector<std::string> events;
  CPolicyList<FakePolicy> list;
};

using Events = std::vector<std::string>;

TEST_F(PolicyListTest, AddKeepsEqualPoliciesAndReplacesChangedOnes) {
  const Ptr first = Account(WSTR("alice"), 1);
  EXPECT_TRUE(list.Add(first, true));
  EXPECT_TRUE(first->prepared);
  EXPECT_EQ(Take(), (Events{"added alice 1.1", "save alice 1.1"}));

  EXPECT_FALSE(list.Add(Account(WSTR("alice"), 1), true));
  EXPECT_FALSE(list.Add(Account(WSTR("alice"), 1, 2), false));
  EXPECT_EQ(first->thisUpdate, 2);
  EXPECT_FALSE(first->persistent);
  EXPECT_EQ(Take(), (Events{"delete alice 1.2"})) << "not persistent any more: no file, none written";

  EXPECT_TRUE(list.Add(Account(WSTR("ALICE"), 2), true)) << "account keys compare without regard to case";
  EXPECT_EQ(Take(), (Events{"logout alice 1.2", "removed alice 1.2", "delete alice 1.2", "added ALICE 2.1",
                            "save ALICE 2.1"}));
  ASSERT_EQ(All().size(), 1u);
}

TEST_F(PolicyListTest, RemoveMatchesUserIdsExactlyAndAlwaysLogsOut) {
  ASSERT_TRUE(list.Add(Account(WSTR("alice"), 1), false));
  Take();
  list.Remove(*Account(WSTR("ALICE"), 1));
  EXPECT_EQ(Take(), (Events{"logout ALICE 1.1"}));
  list.Remove(*Account(WSTR("alice"), 7));
  EXPECT_EQ(Take(), (Events{"logout alice 7.1", "removed alice 1.1", "delete alice 1.1"}));
  EXPECT_TRUE(list.IsEmpty());
}

TEST_F(PolicyListTest, LoadAnnouncesTheAcceptedPoliciesAsPersistent) {
  const int taken = list.Load(
      [](std::list<Ptr>& loaded) {
        loaded.push_back(Account(WSTR("alice"), 1));
        loaded.push_back(Account(WSTR("carol"), 1));
      },
      [](const FakePolicy& policy) { return policy.userId != WSTR("carol"); });
  EXPECT_EQ(taken, 1);
  EXPECT_EQ(Take(), (Events{"added alice 1.1"}));
  EXPECT_TRUE(All().front()->persistent);
  list.ChangeFirst([](FakePolicy&) { return false; });
  EXPECT_TRUE(Take().empty());
  list.ChangeFirst([](FakePolicy& p) { return ++p.content != 0; });
  EXPECT_EQ(Take(), (Events{"updated alice 2.1"}));
}

// Refresh thread, pipe workers and dialogs adding the same account at once: run under the thread
// sanitizer. Exactly one add stores it, whatever the interleaving.
TEST_F(PolicyListTest, ConcurrentAddsOfOneAccountStoreItOnce) {
  for (int round = 0; round < 20; ++round) {
    std::atomic<int> added{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
      threads.emplace_back([this, &added, t] {
        if (list.Add(Account(WSTR("alice"), 1, t % 2 + 1), t % 2 == 0)) ++added;
        Ptr found;
        EXPECT_TRUE(list.Find(WSTR("acme/alice"), found));
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(added, 1) << "round " << round;
    ASSERT_EQ(All().size(), 1u);
    list.Remove(*All().front());
    Take();
  }
}

TEST_F(PolicyListTest, ConcurrentReplacementsLeaveOnePolicyPerAccount) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 30; ++i) {
        list.Add(Account(t % 2 ? WSTR("alice") : WSTR("bob"), (t + i) % 3), false);
        std::list<Ptr> all;
        list.GetAll(all);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(All().size(), 2u);
}

int orderViolations = 0;

// The service's observers take the protocol handler's main lock under the update lock: a change
// begun while the main lock is held waits for the update lock while an observer waits for the main
// lock. Checked builds report each such change before it waits.
TEST(PolicyListLockOrderTest, ChangesUnderTheMainLockAreReported) {
  if (!luma::kLockOrderChecks) GTEST_SKIP() << "lock-order checks are not compiled into this build";
  orderViolations = 0;
  struct WrongOrder {};
  // Throwing stops the update lock from being taken: the wrong order is reported, never run.
  const auto previous = luma::SetLockOrderViolationHandler([](luma::LockRank, luma::LockRank) {
    ++orderViolations;
    throw WrongOrder();
  });
  CMutexObj listLock;
  luma::CRankedMutexObj mainLock(luma::LockRank::kHandlerMain);
  CPolicyList<FakePolicy>::Hooks hooks;
  hooks.notify = [&mainLock](PolicyChange, const Ptr&) { luma::CRankedMutexObjLock observer(mainLock); };
  CPolicyList<FakePolicy> list(listLock, hooks);

  // The legal order: the observer takes the main lock inside the update lock.
  list.Add(Account(WSTR("alice"), 1), false);
  list.ChangeFirst([](FakePolicy& p) { return ++p.content != 0; });
  list.Remove(*Account(WSTR("alice"), 1));
  list.Load([](std::list<Ptr>& loaded) { loaded.push_back(Account(WSTR("bob"), 1)); },
            [](const FakePolicy&) { return true; });
  EXPECT_EQ(orderViolations, 0);

  const std::function<void()> changes[] = {
      [&list] { list.Add(Account(WSTR("carol"), 1), false); },
      [&list] { list.ChangeFirst([](FakePolicy& p) { return ++p.content != 0; }); },
      [&list] { list.Remove(*Account(WSTR("bob"), 1)); },
      [&list] { list.Load([](std::list<Ptr>&) {}, [](const FakePolicy&) { return true; }); },
  };
  int expected = 0;
  for (const std::function<void()>& change : changes) {
    luma::CRankedMutexObjLock main(mainLock);
    EXPECT_THROW(change(), WrongOrder);
    EXPECT_EQ(orderViolations, ++expected);
  }
  luma::SetLockOrderViolationHandler(previous);
}

}  // namespace
