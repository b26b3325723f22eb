#include "foundation/core/vsc_transaction_manager.h"

#include <gtest/gtest.h>

#include "foundation/core/vsc_session_messages.h"

namespace VirtualSmartCardProtocol {
namespace {

// Counts destroyed responses, so the test sees that every dropped result is freed.
int g_destroyed = 0;

class CCountedResponse : public CSignDataResponse {
 public:
  explicit CCountedResponse(DWORD status) { SetStatus(status); }
  ~CCountedResponse() override { ++g_destroyed; }
};

std::unique_ptr<CResponseMessage> Result(DWORD status) { return std::make_unique<CCountedResponse>(status); }

TEST(TransactionManagerTest, ResultsAreTakenOnceAndDroppedOnesDestroyed) {
  g_destroyed = 0;
  CVirtualSmartCardTransactionManager manager;
  const DWORD id = manager.AddTransaction();
  EXPECT_EQ(id, 1u);
  EXPECT_EQ(manager.AddTransaction(), 2u);

  // Running: the entry exists and taking yields nothing and keeps it.
  std::unique_ptr<CResponseMessage> out;
  EXPECT_TRUE(manager.HasTransaction(id));
  EXPECT_FALSE(manager.IsTransactionComplete(id));
  EXPECT_TRUE(manager.TakeTransactionResult(id, out));
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(manager.PollTransaction(id, out), CVirtualSmartCardTransactionManager::PollResult::Running);
  EXPECT_FALSE(manager.SetTransactionResult(id, nullptr));

  // A second result replaces the first, which is destroyed.
  EXPECT_TRUE(manager.SetTransactionResult(id, Result(5)));
  EXPECT_TRUE(manager.SetTransactionResult(id, Result(0)));
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_TRUE(manager.IsTransactionComplete(id));
  EXPECT_EQ(manager.PollTransaction(id, out), CVirtualSmartCardTransactionManager::PollResult::Complete);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->GetStatus(), 0u);
  EXPECT_EQ(manager.PollTransaction(id, out), CVirtualSmartCardTransactionManager::PollResult::Unknown);
  EXPECT_FALSE(manager.TakeTransactionResult(id, out));

  // A result for a cancelled transaction is destroyed at once.
  EXPECT_TRUE(manager.RemoveTransaction(2));
  EXPECT_FALSE(manager.RemoveTransaction(2));
  EXPECT_FALSE(manager.SetTransactionResult(2, Result(0)));
  EXPECT_EQ(g_destroyed, 2);

  // Results nobody collected go with the manager.
  {
    CVirtualSmartCardTransactionManager other;
    other.SetTransactionResult(other.AddTransaction(), Result(0));
    other.SetTransactionResult(other.AddTransaction(), Result(0));
  }
  EXPECT_EQ(g_destroyed, 4);
  out.reset();
  EXPECT_EQ(g_destroyed, 5);
}

}  // namespace
}  // namespace VirtualSmartCardProtocol

namespace VirtualSmartCardProtocol {
namespace {

using Manager = CVirtualSmartCardTransactionManager;

// A client that never collects loses its own oldest finished results first; running transactions
// and other sessions' results stay.
TEST(TransactionManagerTest, UncollectedResultsOfOneSessionAreBoundedOldestFirst) {
  Manager manager;
  const CSecureBuffer flooder(16, "flooding client.");
  const CSecureBuffer neighbour(16, "quiet neighbour.");
  const DWORD running = manager.AddTransaction(flooder);
  const DWORD neighbours = manager.AddTransaction(neighbour);
  ASSERT_TRUE(manager.SetTransactionResult(neighbours, Result(0)));
  std::vector<DWORD> finished;
  for (std::size_t i = 0; i < Manager::kMaxUncollectedPerSession + 5; ++i) {
    finished.push_back(manager.AddTransaction(flooder));
    ASSERT_TRUE(manager.SetTransactionResult(finished.back(), Result(0)));
  }
  manager.AddTransaction(flooder);

  for (std::size_t i = 0; i < finished.size(); ++i) {
    EXPECT_EQ(manager.HasTransaction(finished[i]), i >= 6) << i;  // six made room, oldest first
  }
  EXPECT_TRUE(manager.HasTransaction(running));
  EXPECT_TRUE(manager.HasTransaction(neighbours));
  EXPECT_EQ(manager.SessionCapNotice().Hits(), 6u);
}

// Results left by sessions that come and go (or by made-up session identifiers) are bounded in all.
TEST(TransactionManagerTest, UncollectedResultsOfAllSessionsAreBounded) {
  Manager manager;
  const DWORD running = manager.AddTransaction(CSecureBuffer(4, "none"));
  const DWORD first = manager.AddTransaction(CSecureBuffer(4, "0000"));
  ASSERT_TRUE(manager.SetTransactionResult(first, Result(0)));
  for (std::size_t i = 0; i < Manager::kMaxUncollected; ++i) {
    const DWORD id = manager.AddTransaction(CSecureBuffer(sizeof i, &i));
    ASSERT_TRUE(manager.SetTransactionResult(id, Result(0)));
  }
  EXPECT_EQ(manager.Count(), Manager::kMaxUncollected);
  EXPECT_FALSE(manager.HasTransaction(first));
  EXPECT_TRUE(manager.HasTransaction(running));
  EXPECT_GE(manager.TotalCapNotice().Hits(), 1u);
}

}  // namespace
}  // namespace VirtualSmartCardProtocol
