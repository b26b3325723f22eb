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
