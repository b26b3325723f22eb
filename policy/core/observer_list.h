// The observers of one subject, called without the list's lock. Removing an observer waits until no
// other thread is still inside a call to it, so that its owner may destroy it once Remove returns.
//
// Rank: a removal may wait for a call that takes the observer's own locks (the protocol handler's
// main lock), so Remove counts as taking a lock of rank luma::LockRank::kPolicyUpdate; checked builds
// report a removal made while such a lock is held, before the thread waits.
#ifndef LUMA_POLICY_CORE_OBSERVER_LIST_H_
#define LUMA_POLICY_CORE_OBSERVER_LIST_H_

#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/core/lock_order.h"

namespace luma {

template <typename Observer>
class CObserverList {
 public:
  CObserverList() = default;
  CObserverList(const CObserverList&) = delete;
  CObserverList& operator=(const CObserverList&) = delete;

  // A null observer is ignored; one added twice is called twice.
  void Add(Observer* observer) {
    if (observer == nullptr) return;
    std::lock_guard<std::mutex> guard(lock);
    observers.push_back(observer);
  }

  // Removes the first entry of the observer. When none is left, waits until calls to it on other
  // threads have returned; no new call starts. A call on this thread (an observer removing itself)
  // is not waited for.
  void Remove(Observer* observer) {
    if (observer == nullptr) return;
    CLockRankNote note(LockRank::kPolicyUpdate);
    std::unique_lock<std::mutex> guard(lock);
    auto found = std::find(observers.begin(), observers.end(), observer);
    if (found != observers.end()) observers.erase(found);
    if (IsListed(observer)) return;
    const std::thread::id self = std::this_thread::get_id();
    callEnded.wait(guard, [&] {
      return std::none_of(calls.begin(), calls.end(),
                          [&](const Call& call) { return call.observer == observer && call.thread != self; });
    });
  }

  // Calls notify(observer) for each observer listed when the notification starts, in their order,
  // skipping those removed meanwhile. Exceptions of notify pass through.
  template <typename F>
  void Notify(F notify) {
    std::vector<Observer*> current;
    {
      std::lock_guard<std::mutex> guard(lock);
      current.assign(observers.begin(), observers.end());
    }
    for (Observer* observer : current) {
      CCallRecord record(*this, observer);
      if (!record.started) continue;
      notify(*observer);
    }
  }

  size_t Size() {
    std::lock_guard<std::mutex> guard(lock);
    return observers.size();
  }

 private:
  struct Call {
    Observer* observer;
    std::thread::id thread;
  };

  // One call in progress, from its start (when the observer is still listed) to its end.
  class CCallRecord {
   public:
    CCallRecord(CObserverList& list, Observer* observer) : list(list) {
      std::lock_guard<std::mutex> guard(list.lock);
      if (!list.IsListed(observer)) return;
      list.calls.push_back(Call{observer, std::this_thread::get_id()});
      entry = std::prev(list.calls.end());
      started = true;
    }
    ~CCallRecord() {
      if (!started) return;
      {
        std::lock_guard<std::mutex> guard(list.lock);
        list.calls.erase(entry);
      }
      list.callEnded.notify_all();
    }
    CCallRecord(const CCallRecord&) = delete;
    CCallRecord& operator=(const CCallRecord&) = delete;

    bool started = false;

   private:
    CObserverList& list;
    typename std::list<Call>::iterator entry;
  };

  // Under lock.
  bool IsListed(Observer* observer) const {
    return std::find(observers.begin(), observers.end(), observer) != observers.end();
  }

  std::mutex lock;
  std::condition_variable callEnded;
  std::list<Observer*> observers;
  std::list<Call> calls;
};

}  // namespace luma

#endif  // LUMA_POLICY_CORE_OBSERVER_LIST_H_
