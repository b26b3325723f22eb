// Told of every change of a provider's policies, on the thread that made the change and never while
// the provider context holds its list lock.
//
// The rule for observers that take a lock of their own (the protocol handler's main lock): they run
// under the provider's update lock, so the order is update lock, then the observer's lock. A thread
// that holds such a lock must never load, add, remove, enable or disable a policy: it would wait for
// the update lock while a change in progress waits in its observer for the lock this thread holds.
// Make the change after releasing the lock, or from another thread. Give that lock the rank
// luma::LockRank::kHandlerMain (a luma::CRankedMutexObj): checked builds then report the wrong order
// at once, before the thread waits (foundation/core/lock_order.h).
#ifndef LUMA_POLICY_ACCOUNT_POLICY_OBSERVER_H_
#define LUMA_POLICY_ACCOUNT_POLICY_OBSERVER_H_

#include "policy/signed/policy.h"

class CPolicyObserver {
 public:
  // Loaded from the store or added.
  virtual void PolicyAdded(const CPolicyPtr& policy) = 0;
  virtual void PolicyRemoved(const CPolicyPtr& policy) = 0;
  // One of its certificates was enabled or disabled.
  virtual void PolicyUpdated(const CPolicyPtr& policy) = 0;

 protected:
  // Observers are never owned through this interface.
  ~CPolicyObserver() = default;
};

#endif  // LUMA_POLICY_ACCOUNT_POLICY_OBSERVER_H_
