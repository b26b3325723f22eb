// The body of every transacted request's thread: build the answer, let the worker fill it and hand
// it to the transaction manager whatever the worker does, so that a client polling the transaction
// always ends with an answer and never polls for ever.
#ifndef LUMA_SERVICE_CORE_TRANSACTION_RUNNER_H_
#define LUMA_SERVICE_CORE_TRANSACTION_RUNNER_H_

#include <memory>
#include <utility>

#include "foundation/core/vsc_message.h"
#include "foundation/core/vsc_transaction_manager.h"

namespace luma {
namespace service {

// The status of an answer whose worker failed with an exception.
constexpr DWORD kWorkerFailedStatus = 1359;  // ERROR_INTERNAL_ERROR

// Stores the answer of transaction id. A null answer (no memory for it) is replaced by the generic
// answer with kWorkerFailedStatus; when even that cannot be made, the transaction is removed, so
// that polls get "unknown transaction" instead of "still running". Never throws.
void StoreTransactionAnswer(VirtualSmartCardProtocol::CVirtualSmartCardTransactionManager& transactions,
                            DWORD id,
                            std::unique_ptr<VirtualSmartCardProtocol::CResponseMessage> answer) noexcept;

// Builds a Response (its initial status is 13), runs work(response) and stores the response. An
// exception escaping the worker leaves kWorkerFailedStatus in the answer. Never throws.
template <typename Response, typename Work>
void RunTransaction(VirtualSmartCardProtocol::CVirtualSmartCardTransactionManager& transactions, DWORD id,
                    Work&& work) noexcept {
  std::unique_ptr<VirtualSmartCardProtocol::CResponseMessage> answer;
  try {
    auto response = std::make_unique<Response>();
    try {
      std::forward<Work>(work)(*response);
    } catch (...) {
      response->SetStatus(kWorkerFailedStatus);
    }
    answer = std::move(response);
  } catch (...) {
    // No memory for the answer: the generic one stands in.
  }
  StoreTransactionAnswer(transactions, id, std::move(answer));
}

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_TRANSACTION_RUNNER_H_
