// The stored policies of one provider and the rules for changing them, over any policy type P with
// the fields accountKey, userId (WString), persistent (bool), thisUpdate (copyable) and
// IsSameContent(const P&, bool& sameThisUpdate). What a change does outside the list (files,
// registry, caches, observers) comes from the hooks.
//
// Two locks: the update lock serialises whole changes, so that two threads adding one account
// cannot both find it missing and store it twice; the list lock (the owner's, shared with its other
// fields) guards single steps. Hooks that notify run under the update lock only, never under the
// list lock. Order: update lock, then whatever the observers take, then the list lock. The update
// lock is ranked (luma::LockRank::kPolicyUpdate): a checked build reports a change begun while the
// thread holds a lock its observers take (the protocol handler's main lock), which would deadlock.
#ifndef LUMA_POLICY_CORE_POLICY_LIST_H_
#define LUMA_POLICY_CORE_POLICY_LIST_H_

#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <utility>

#include "foundation/core/lock_order.h"
#include "foundation/core/mutex_obj.h"
#include "foundation/core/platform.h"
#include "foundation/core/string_utils.h"

enum class PolicyChange { kAdded, kRemoved, kUpdated };

template <typename P>
class CPolicyList {
 public:
  using Ptr = std::shared_ptr<P>;

  struct Hooks {
    // Under the list lock, just before a new policy is stored (its disabled certificates, say).
    std::function<void(P&)> prepare = [](P&) {};
    // Outside the list lock.
    std::function<void(const P&)> saveFile = [](const P&) {};
    std::function<void(const P&)> deleteFile = [](const P&) {};
    std::function<void(const P&)> logout = [](const P&) {};
    std::function<void(PolicyChange, const Ptr&)> notify = [](PolicyChange, const Ptr&) {};
  };

  CPolicyList(CMutexObj& listLock, Hooks hooks) : lock(listLock), hooks(std::move(hooks)) {}
  CPolicyList(const CPolicyList&) = delete;
  CPolicyList& operator=(const CPolicyList&) = delete;

  // The first policy whose account key equals the given one without regard to ASCII case.
  bool Find(const WString& accountKey, Ptr& policy) {
    CMutexObjLock guard(lock);
    for (const Ptr& stored : policies) {
      if (luma::EqualsIgnoreCase(stored->accountKey, accountKey)) {
        policy = stored;
        return true;
      }
    }
    return false;
  }

  void GetAll(std::list<Ptr>& out) {
    CMutexObjLock guard(lock);
    out.insert(out.end(), policies.begin(), policies.end());
  }

  template <typename F>
  void ForEach(F visit) {
    CMutexObjLock guard(lock);
    for (const Ptr& policy : policies) visit(*policy);
  }

  bool IsEmpty() {
    CMutexObjLock guard(lock);
    return policies.empty();
  }

  // Under the list lock read() gives the stored policies, accept() keeps those for this place; the
  // kept ones become persistent and are announced afterwards. Returns how many were kept.
  int Load(const std::function<void(std::list<Ptr>&)>& read, const std::function<bool(const P&)>& accept) {
    luma::CRankedMutexObjLock update(updateLock);
    std::list<Ptr> taken;
    {
      CMutexObjLock guard(lock);
      std::list<Ptr> loaded;
      read(loaded);
      for (const Ptr& policy : loaded) {
        if (!accept(*policy)) continue;
        policy->persistent = true;
        hooks.prepare(*policy);
        policies.push_back(policy);
        taken.push_back(policy);
      }
    }
    for (const Ptr& policy : taken) hooks.notify(PolicyChange::kAdded, policy);
    return static_cast<int>(taken.size());
  }

  // True when stored as a new entry. An equal stored policy is kept (false): it takes over the new
  // issue date and persistence, and its file follows. Other content for the account replaces it.
  bool Add(const Ptr& policy, bool persist) {
    luma::CRankedMutexObjLock update(updateLock);
    Ptr existing;
    if (Find(policy->accountKey, existing)) {
      bool sameThisUpdate = false;
      if (existing->IsSameContent(*policy, sameThisUpdate)) {
        KeepEqual(*existing, *policy, persist, sameThisUpdate);
        return false;
      }
      Remove(*existing);
    }
    {
      CMutexObjLock guard(lock);
      hooks.prepare(*policy);
      policy->persistent = persist;
      policies.push_back(policy);
    }
    hooks.notify(PolicyChange::kAdded, policy);
    if (persist) hooks.saveFile(*policy);
    return true;
  }

  // Logs the account out, then removes the first policy whose userId equals the given one exactly.
  void Remove(const P& policy) {
    luma::CRankedMutexObjLock update(updateLock);
    hooks.logout(policy);
    Ptr removed;
    {
      CMutexObjLock guard(lock);
      auto found = std::find_if(policies.begin(), policies.end(),
                                [&policy](const Ptr& stored) { return stored->userId == policy.userId; });
      if (found == policies.end()) return;
      removed = *found;
      policies.erase(found);
    }
    hooks.notify(PolicyChange::kRemoved, removed);
    hooks.deleteFile(*removed);
  }

  // Under the list lock, change() is tried on each policy in order until one reports a change;
  // that policy is then announced as updated.
  void ChangeFirst(const std::function<bool(P&)>& change) {
    luma::CRankedMutexObjLock update(updateLock);
    Ptr changed;
    {
      CMutexObjLock guard(lock);
      for (const Ptr& policy : policies) {
        if (change(*policy)) {
          changed = policy;
          break;
        }
      }
    }
    if (changed) hooks.notify(PolicyChange::kUpdated, changed);
  }

 private:
  void KeepEqual(P& existing, const P& fresh, bool persist, bool sameThisUpdate) {
    bool save = false;
    bool remove = false;
    {
      CMutexObjLock guard(lock);
      if (persist != existing.persistent) {
        save = persist;
        remove = !persist;
        existing.persistent = persist;
      }
      if (!sameThisUpdate) {
        existing.thisUpdate = fresh.thisUpdate;
        save = save || existing.persistent;
      }
    }
    if (remove) hooks.deleteFile(existing);
    if (save) hooks.saveFile(fresh);  // the newer bytes
  }

  luma::CRankedMutexObj updateLock{luma::LockRank::kPolicyUpdate};
  CMutexObj& lock;
  Hooks hooks;
  std::list<Ptr> policies;
};

#endif  // LUMA_POLICY_CORE_POLICY_LIST_H_
