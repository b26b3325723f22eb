// Ranked locks: a per-thread check of the order in which locks are taken, for the locks whose
// wrong order deadlocks. A thread may take a ranked lock only while every ranked lock it holds has
// the same or a lower rank; taking a lower rank while a higher one is held is reported, before the
// thread starts to wait. Unranked locks are not checked.
//
// The check is compiled in where LUMA_LOCK_ORDER_CHECKS is defined (debug builds and the test
// trees); elsewhere a ranked lock is a plain CMutexObj and its scoped lock costs nothing more.
#ifndef LUMA_FOUNDATION_CORE_LOCK_ORDER_H_
#define LUMA_FOUNDATION_CORE_LOCK_ORDER_H_

#include "foundation/core/mutex_obj.h"

namespace luma {

// Outer locks have lower ranks.
enum class LockRank : int {
  // A provider's policy update lock: its observers run while it is held.
  kPolicyUpdate = 100,
  // The protocol handler's main lock, taken by the policy observers of the service.
  kHandlerMain = 200,
};

#ifdef LUMA_LOCK_ORDER_CHECKS
constexpr bool kLockOrderChecks = true;
#else
constexpr bool kLockOrderChecks = false;
#endif

// Called with the highest rank held and the rank asked for. The default handler writes both to the
// standard error and aborts. A handler that throws stops the lock from being taken. Returns the
// previous handler; null restores the default.
using LockOrderViolationHandler = void (*)(LockRank held, LockRank wanted);
LockOrderViolationHandler SetLockOrderViolationHandler(LockOrderViolationHandler handler);

// The calling thread's bookkeeping. Taking checks the order, then records the rank (also after a
// violation, so the matching release still balances); releasing forgets the latest record of it.
void NoteRankedLockTaken(LockRank rank);
void NoteRankedLockReleased(LockRank rank);

// Notes a rank for the length of a block (nothing where the checks are not compiled in).
class CLockRankNote {
 public:
#ifdef LUMA_LOCK_ORDER_CHECKS
  explicit CLockRankNote(LockRank held) : rank(held) { NoteRankedLockTaken(rank); }
  ~CLockRankNote() { NoteRankedLockReleased(rank); }
#else
  explicit CLockRankNote(LockRank) {}
#endif
  CLockRankNote(const CLockRankNote&) = delete;
  CLockRankNote& operator=(const CLockRankNote&) = delete;

#ifdef LUMA_LOCK_ORDER_CHECKS
 private:
  LockRank rank;
#endif
};

class CRankedMutexObj : public CMutexObj {
 public:
  explicit CRankedMutexObj(LockRank lockRank) : rank(lockRank) {}

  const LockRank rank;
};

// Holds a ranked lock for the length of a block; its rank is checked before the wait.
class CRankedMutexObjLock {
 public:
  explicit CRankedMutexObjLock(CRankedMutexObj& mutex) : note(mutex.rank), lock(mutex) {}
  CRankedMutexObjLock(const CRankedMutexObjLock&) = delete;
  CRankedMutexObjLock& operator=(const CRankedMutexObjLock&) = delete;

 private:
  CLockRankNote note;  // released after the lock
  CMutexObjLock lock;
};

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_LOCK_ORDER_H_
