// The results of transacted requests: a number per running request and the response its worker
// stores, kept until the client collects it with CheckTransaction or drops it with CancelTransaction.
// Results a client never collects are bounded: per session (kMaxUncollectedPerSession) and in all
// (kMaxUncollected); over either, the oldest finished result nobody collected is dropped. Running
// transactions are never dropped: the protocol handler's worker cap bounds them.
#ifndef LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_
#define LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_

#include <map>
#include <memory>

#include "foundation/core/cap_notice.h"
#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

// Every operation takes the manager's lock for its own duration only and calls nothing else
// meanwhile; dropped responses are destroyed (and wiped) after the lock is released.
class CVirtualSmartCardTransactionManager {
 public:
  enum class PollResult { Unknown, Running, Complete };

  static constexpr std::size_t kMaxUncollectedPerSession = 32;
  static constexpr std::size_t kMaxUncollected = 1024;

  CVirtualSmartCardTransactionManager() = default;
  virtual ~CVirtualSmartCardTransactionManager();
  CVirtualSmartCardTransactionManager(const CVirtualSmartCardTransactionManager&) = delete;
  CVirtualSmartCardTransactionManager& operator=(const CVirtualSmartCardTransactionManager&) = delete;

  // A new running transaction of the session (empty: none); numbers count up from 1 and are never
  // 0. Makes room first when the session, or the manager, holds too many uncollected results.
  DWORD AddTransaction(const CSecureBuffer& session = CSecureBuffer());
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

  // Entries, running or finished; for tests and the benchmark.
  std::size_t Count() const;
  const luma::CCapNotice& SessionCapNotice() const { return sessionCap; }
  const luma::CCapNotice& TotalCapNotice() const { return totalCap; }

 private:
  struct CEntry {
    std::unique_ptr<CResponseMessage> response;  // null while the worker runs
    CSecureBuffer session;
    std::uint64_t order = 0;  // when the entry was made; the smallest is the oldest
  };
  using Entries = std::map<DWORD, CEntry>;

  // Under the lock: the oldest finished entry (of the session, when one is given), or end().
  Entries::iterator OldestFinished(const CSecureBuffer* session);

  mutable CMutexObj lock;
  DWORD nextTransactionId = 1;
  std::uint64_t nextOrder = 0;
  Entries results;
  luma::CCapNotice sessionCap{L"uncollected results per session", kMaxUncollectedPerSession};
  luma::CCapNotice totalCap{L"uncollected results", kMaxUncollected};
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_TRANSACTION_MANAGER_H_
