#include "foundation/core/vsc_transaction_manager.h"

#include <utility>

namespace VirtualSmartCardProtocol {

CVirtualSmartCardTransactionManager::~CVirtualSmartCardTransactionManager() { RemoveAllTransactions(); }

DWORD CVirtualSmartCardTransactionManager::AddTransaction() {
  CMutexObjLock guard(lock);
  // After a wrap-around, 0 (no transaction) and numbers still in use are skipped.
  while (nextTransactionId == 0 || results.count(nextTransactionId) != 0) ++nextTransactionId;
  const DWORD id = nextTransactionId++;
  results.emplace(id, nullptr);
  return id;
}

bool CVirtualSmartCardTransactionManager::SetTransactionResult(DWORD id,
                                                               std::unique_ptr<CResponseMessage> response) {
  if (response == nullptr) return false;  // a null result would make the transaction look running again
  CMutexObjLock guard(lock);
  const auto entry = results.find(id);
  if (entry == results.end()) return false;  // `response` is destroyed on return, after the lock
  entry->second.swap(response);              // the earlier response, if any, goes with `response`
  return true;
}

bool CVirtualSmartCardTransactionManager::HasTransaction(DWORD id) const {
  CMutexObjLock guard(lock);
  return results.count(id) != 0;
}

bool CVirtualSmartCardTransactionManager::IsTransactionComplete(DWORD id) const {
  CMutexObjLock guard(lock);
  const auto entry = results.find(id);
  return entry != results.end() && entry->second != nullptr;
}

bool CVirtualSmartCardTransactionManager::TakeTransactionResult(DWORD id,
                                                                std::unique_ptr<CResponseMessage>& out) {
  std::unique_ptr<CResponseMessage> taken;
  {
    CMutexObjLock guard(lock);
    const auto entry = results.find(id);
    if (entry == results.end()) return false;
    if (entry->second != nullptr) {
      taken = std::move(entry->second);
      results.erase(entry);
    }
  }
  out = std::move(taken);
  return true;
}

CVirtualSmartCardTransactionManager::PollResult CVirtualSmartCardTransactionManager::PollTransaction(
    DWORD id, std::unique_ptr<CResponseMessage>& out) {
  std::unique_ptr<CResponseMessage> taken;
  {
    CMutexObjLock guard(lock);
    const auto entry = results.find(id);
    if (entry == results.end()) return PollResult::Unknown;
    if (entry->second == nullptr) return PollResult::Running;
    taken = std::move(entry->second);
    results.erase(entry);
  }
  out = std::move(taken);
  return PollResult::Complete;
}

bool CVirtualSmartCardTransactionManager::RemoveTransaction(DWORD id) {
  std::unique_ptr<CResponseMessage> dropped;
  CMutexObjLock guard(lock);
  const auto entry = results.find(id);
  if (entry == results.end()) return false;
  dropped = std::move(entry->second);
  results.erase(entry);
  return true;
}

void CVirtualSmartCardTransactionManager::RemoveAllTransactions() {
  std::map<DWORD, std::unique_ptr<CResponseMessage>> dropped;
  CMutexObjLock guard(lock);
  dropped.swap(results);
}

}  // namespace VirtualSmartCardProtocol
