#include "service/core/transaction_runner.h"

namespace luma {
namespace service {

using VirtualSmartCardProtocol::CResponseMessage;

void StoreTransactionAnswer(VirtualSmartCardProtocol::CVirtualSmartCardTransactionManager& transactions,
                            DWORD id, std::unique_ptr<CResponseMessage> answer) noexcept {
  try {
    if (answer == nullptr) {
      answer = std::make_unique<CResponseMessage>(VirtualSmartCardProtocol::MessageTypeGeneric);
      answer->SetStatus(kWorkerFailedStatus);
    }
    transactions.SetTransactionResult(id, std::move(answer));  // false: cancelled meanwhile
    return;
  } catch (...) {
  }
  try {
    transactions.RemoveTransaction(id);
  } catch (...) {
    // Nothing left to tell the client with.
  }
}

}  // namespace service
}  // namespace luma
