// Told of every change of a provider's policies, on the thread that made the change and never while
// the provider context holds its list lock.
#ifndef LUMA_POLICY_POLICY_OBSERVER_H_
#define LUMA_POLICY_POLICY_OBSERVER_H_

#include "policy/policy.h"

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

#endif  // LUMA_POLICY_POLICY_OBSERVER_H_
