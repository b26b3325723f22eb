// The results of transacted requests: a number per running request and the response its worker
// stores, kept until the client collects it with CheckTransaction or drops it with CancelTransaction.
#ifndef LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_
#define LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_

#include <map>
#include <memory>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

// Every operation takes the manager's lock for its own duration only and calls nothing else
// meanwhile; dropped responses are destroyed (and wiped) after the lock is released.
class CVirtualSmartCardTransactionManager {
 public:
  enum class PollResult { Unknown, Running, Complete };

  CVirtualSmartCardTransactionManager() = default;
  virtual ~CVirtualSmartCardTransactionManager();
  CVirtualSmartCardTransactionManager(const CVirtualSmartCardTransactionManager&) = delete;
  CVirtualSmartCardTransactionManager& operator=(const CVirtualSmartCardTransactionManager&) = delete;

  // A new running transaction; numbers count up from 1 and are never 0.
  DWORD AddTransaction();
  // Stores a worker's response. False when the transaction is gone (cancelled): the response is
  // then destroyed. A response stored before is replaced. A null response is refused.
  bool SetTransactionResult(DWORD id, std::unique_ptr<CResponseMessage> response);
  bool HasTransaction(DWORD id) const;
  bool IsTransactionComplete(DWORD id) const;
  // True when the transaction exists; a stored response moves to out and the entry is erased.
  bool TakeTransactionResult(DWORD id, std::unique_ptr<CResponseMessage>& out);
  // Tells the state and, when complete, takes the response, in one step: concurrent polls and
  // cancels each see either the stored response or no transaction, never a half-taken one.
  PollResult PollTransaction(DWORD id, std::unique_ptr<CResponseMessage>& out);
  // True when an entry existed; its response, if any, is destroyed.
  bool RemoveTransaction(DWORD id);
  void RemoveAllTransactions();

 private:
  mutable CMutexObj lock;
  DWORD nextTransactionId = 1;
  std::map<DWORD, std::unique_ptr<CResponseMessage>> results;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_
