#include "foundation/core/vsc_transaction_manager.h"

#include <utility>
#include <vector>

namespace VirtualSmartCardProtocol {

CVirtualSmartCardTransactionManager::~CVirtualSmartCardTransactionManager() { RemoveAllTransactions(); }

CVirtualSmartCardTransactionManager::Entries::iterator CVirtualSmartCardTransactionManager::OldestFinished(
    const CSecureBuffer* session) {
  auto oldest = results.end();
  for (auto entry = results.begin(); entry != results.end(); ++entry) {
    if (entry->second.response == nullptr) continue;
    if (session != nullptr && !(entry->second.session == *session)) continue;
    if (oldest == results.end() || entry->second.order < oldest->second.order) oldest = entry;
  }
  return oldest;
}

DWORD CVirtualSmartCardTransactionManager::AddTransaction(const CSecureBuffer& session) {
  CEntry fresh;
  fresh.session = session;
  std::vector<std::unique_ptr<CResponseMessage>> dropped;  // destroyed after the lock
  bool sessionFull = false;
  bool allFull = false;
  DWORD id = 0;
  {
    CMutexObjLock guard(lock);
    std::size_t ofSession = 0;
    for (const auto& entry : results) {
      if (entry.second.response != nullptr && entry.second.session == session) ++ofSession;
    }
    for (; ofSession >= kMaxUncollectedPerSession; --ofSession) {
      const auto oldest = OldestFinished(&session);
      if (oldest == results.end()) break;
      dropped.push_back(std::move(oldest->second.response));
      results.erase(oldest);
      sessionFull = true;
    }
    while (results.size() >= kMaxUncollected) {
      const auto oldest = OldestFinished(nullptr);
      if (oldest == results.end()) break;  // all running: the worker cap bounds them
      dropped.push_back(std::move(oldest->second.response));
      results.erase(oldest);
      allFull = true;
    }
    // After a wrap-around, 0 (no transaction) and numbers still in use are skipped.
    while (nextTransactionId == 0 || results.count(nextTransactionId) != 0) ++nextTransactionId;
    id = nextTransactionId++;
    fresh.order = nextOrder++;
    results.emplace(id, std::move(fresh));
  }
  if (sessionFull) sessionCap.Hit();
  if (allFull) totalCap.Hit();
  return id;
}

bool CVirtualSmartCardTransactionManager::SetTransactionResult(DWORD id,
                                                               std::unique_ptr<CResponseMessage> response) {
  if (response == nullptr) return false;  // a null result would make the transaction look running again
  CMutexObjLock guard(lock);
  const auto entry = results.find(id);
  if (entry == results.end()) return false;  // `response` is destroyed on return, after the lock
  entry->second.response.swap(response);     // the earlier response, if any, goes with `response`
  return true;
}

bool CVirtualSmartCardTransactionManager::HasTransaction(DWORD id) const {
  CMutexObjLock guard(lock);
  return results.count(id) != 0;
}

bool CVirtualSmartCardTransactionManager::IsTransactionComplete(DWORD id) const {
  CMutexObjLock guard(lock);
  const auto entry = results.find(id);
  return entry != results.end() && entry->second.response != nullptr;
}

bool CVirtualSmartCardTransactionManager::TakeTransactionResult(DWORD id,
                                                                std::unique_ptr<CResponseMessage>& out) {
  std::unique_ptr<CResponseMessage> taken;
  {
    CMutexObjLock guard(lock);
    const auto entry = results.find(id);
    if (entry == results.end()) return false;
    if (entry->second.response != nullptr) {
      taken = std::move(entry->second.response);
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
    if (entry->second.response == nullptr) return PollResult::Running;
    taken = std::move(entry->second.response);
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
  dropped = std::move(entry->second.response);
  results.erase(entry);
  return true;
}

void CVirtualSmartCardTransactionManager::RemoveAllTransactions() {
  Entries dropped;
  CMutexObjLock guard(lock);
  dropped.swap(results);
}

std::size_t CVirtualSmartCardTransactionManager::Count() const {
  CMutexObjLock guard(lock);
  return results.size();
}

}  // namespace VirtualSmartCardProtocol
