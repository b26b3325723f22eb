#include "service/core/transaction_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/core/vsc_session_messages.h"

namespace {
using luma::service::kWorkerFailedStatus;
using luma::service::RunTransaction;
using VirtualSmartCardProtocol::CResponseMessage;
using VirtualSmartCardProtocol::CSignDataResponse;
using VirtualSmartCardProtocol::CVirtualSmartCardTransactionManager;
using Poll = CVirtualSmartCardTransactionManager::PollResult;

// An answer that cannot even be built.
class CUnbuildableResponse : public CResponseMessage {
 public:
  CUnbuildableResponse() : CResponseMessage(VirtualSmartCardProtocol::MessageTypeSignData) {
    throw std::bad_alloc();
  }
};

std::unique_ptr<CResponseMessage> Collect(CVirtualSmartCardTransactionManager& transactions, DWORD id) {
  std::unique_ptr<CResponseMessage> answer;
  EXPECT_EQ(transactions.PollTransaction(id, answer), Poll::Complete);
  return answer;
}

TEST(TransactionRunnerTest, StoresTheWorkersAnswer) {
  CVirtualSmartCardTransactionManager transactions;
  const DWORD id = transactions.AddTransaction();
  RunTransaction<CSignDataResponse>(transactions, id, [](CSignDataResponse& response) {
    response.SetStatus(0);
    response.SetResult(CSecureBuffer(3, "sig"));
  });
  const auto answer = Collect(transactions, id);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetType(), VirtualSmartCardProtocol::MessageTypeSignData);
  EXPECT_EQ(answer->GetStatus(), 0u);
  EXPECT_EQ(static_cast<CSignDataResponse&>(*answer).GetResult(), CSecureBuffer(3, "sig"));
}

TEST(TransactionRunnerTest, WorkerThatSetsNothingLeavesInvalidData) {
  CVirtualSmartCardTransactionManager transactions;
  const DWORD id = transactions.AddTransaction();
  RunTransaction<CSignDataResponse>(transactions, id, [](CSignDataResponse&) {});
  const auto answer = Collect(transactions, id);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetStatus(), 13u);
}

TEST(TransactionRunnerTest, EveryKindOfEscapingExceptionStillGivesAnAnswer) {
  const std::vector<std::function<void()>> throwers = {
      [] { throw std::runtime_error("worker"); },
      [] { throw std::bad_alloc(); },
      [] { throw 42; },
      [] { throw std::wstring(L"text"); },
  };
  CVirtualSmartCardTransactionManager transactions;
  for (size_t i = 0; i < throwers.size(); ++i) {
    const DWORD id = transactions.AddTransaction();
    RunTransaction<CSignDataResponse>(transactions, id, [&](CSignDataResponse& response) {
      response.SetStatus(0);
      throwers[i]();
    });
    const auto answer = Collect(transactions, id);
    ASSERT_NE(answer, nullptr) << i;
    EXPECT_EQ(answer->GetType(), VirtualSmartCardProtocol::MessageTypeSignData) << i;
    EXPECT_EQ(answer->GetStatus(), kWorkerFailedStatus) << i;
  }
}

TEST(TransactionRunnerTest, AnswerThatCannotBeBuiltIsReplacedByTheGenericOne) {
  CVirtualSmartCardTransactionManager transactions;
  const DWORD id = transactions.AddTransaction();
  bool ran = false;
  RunTransaction<CUnbuildableResponse>(transactions, id, [&](CUnbuildableResponse&) { ran = true; });
  EXPECT_FALSE(ran);
  const auto answer = Collect(transactions, id);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetType(), VirtualSmartCardProtocol::MessageTypeGeneric);
  EXPECT_EQ(answer->GetStatus(), kWorkerFailedStatus);
}

TEST(TransactionRunnerTest, CancelledTransactionDropsTheAnswer) {
  CVirtualSmartCardTransactionManager transactions;
  const DWORD id = transactions.AddTransaction();
  ASSERT_TRUE(transactions.RemoveTransaction(id));
  RunTransaction<CSignDataResponse>(transactions, id,
                                    [](CSignDataResponse& response) { response.SetStatus(0); });
  EXPECT_FALSE(transactions.HasTransaction(id));
}

TEST(TransactionRunnerTest, ManyWorkersAtOnceEachStoreTheirOwnAnswer) {
  constexpr int kWorkers = 64;
  CVirtualSmartCardTransactionManager transactions;
  std::vector<DWORD> ids;
  for (int i = 0; i < kWorkers; ++i) ids.push_back(transactions.AddTransaction());
  std::vector<std::thread> threads;
  for (int i = 0; i < kWorkers; ++i) {
    threads.emplace_back([&transactions, id = ids[i], i] {
      RunTransaction<CSignDataResponse>(transactions, id, [i](CSignDataResponse& response) {
        if (i % 3 == 0) throw std::runtime_error("service gone");
        response.SetStatus(static_cast<DWORD>(i));
      });
    });
  }
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < kWorkers; ++i) {
    const auto answer = Collect(transactions, ids[i]);
    ASSERT_NE(answer, nullptr) << i;
    EXPECT_EQ(answer->GetStatus(), i % 3 == 0 ? kWorkerFailedStatus : static_cast<DWORD>(i)) << i;
  }
}

}  // namespace
