// A critical section as an object, and its scoped lock.
#ifndef LUMA_FOUNDATION_CORE_MUTEX_OBJ_H_
#define LUMA_FOUNDATION_CORE_MUTEX_OBJ_H_

#include "foundation/core/platform.h"

class CMutexObj {
 public:
  CMutexObj() { InitializeCriticalSection(&criticalSection); }
  virtual ~CMutexObj() { DeleteCriticalSection(&criticalSection); }
  CMutexObj(const CMutexObj&) = delete;
  CMutexObj& operator=(const CMutexObj&) = delete;

 private:
  friend struct CMutexObjLock;
  CRITICAL_SECTION criticalSection;
};

// Holds the lock from construction to the end of the enclosing block, exceptions included.
struct CMutexObjLock {
  explicit CMutexObjLock(CMutexObj& m) : mutex(&m) { EnterCriticalSection(&mutex->criticalSection); }
  ~CMutexObjLock() { LeaveCriticalSection(&mutex->criticalSection); }
  CMutexObjLock(const CMutexObjLock&) = delete;
  CMutexObjLock& operator=(const CMutexObjLock&) = delete;

  CMutexObj* mutex;
};

#endif  // LUMA_FOUNDATION_CORE_MUTEX_OBJ_H_
