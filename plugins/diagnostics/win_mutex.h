// The owner of a Win32 kernel mutex and its scoped lock; they guard a module's shared tables.
// Nothing here throws.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_WIN_MUTEX_H_
#define LUMA_PLUGINS_DIAGNOSTICS_WIN_MUTEX_H_

#include <windows.h>

#include "foundation/win/unique_handle.h"

class CModuleDebugLog;

// Made only by CWinMutex::lock. A failed wait leaves the lock unlocked; see CWinMutex::lock for when
// that can happen and who must test isLocked.
class CWinMutexLock {
 public:
  CWinMutexLock(CWinMutexLock&& other) noexcept;
  CWinMutexLock& operator=(CWinMutexLock&&) = delete;
  CWinMutexLock(const CWinMutexLock&) = delete;
  CWinMutexLock& operator=(const CWinMutexLock&) = delete;
  ~CWinMutexLock() { release(); }

  // Gives the mutex up before the end of the scope; later calls do nothing.
  void release() noexcept;
  bool isLocked() const noexcept { return locked; }

 private:
  friend class CWinMutex;
  CWinMutexLock(bool locked, HANDLE handle, CModuleDebugLog* traceLog) noexcept
      : locked(locked), handle(handle), traceLog(traceLog) {}

  bool locked;
  HANDLE handle;  // owned by the CWinMutex, which outlives its locks
  CModuleDebugLog* traceLog;
};

class CWinMutex {
 public:
  // An unnamed mutex unless a name is given; with a trace log, level-4 lines follow every step.
  // A named mutex of another security context is opened with the rights to wait on it; when even
  // those are refused, a handle that only keeps the object alive is kept, and lock() fails.
  explicit CWinMutex(const char* name = nullptr, CModuleDebugLog* traceLog = nullptr) noexcept;
  CWinMutex(const CWinMutex&) = delete;
  CWinMutex& operator=(const CWinMutex&) = delete;

  // Waits without a time-out. The mutex is re-entrant for the owning thread; a mutex its last owner
  // left without releasing it is taken over. So the wait fails only when there is no mutex to wait
  // on: an unnamed mutex that could not be made (getHandle() is null), or a named one of another
  // security context that may not be waited on. The contract: an owner of an unnamed mutex checks
  // getHandle() once, when the owner is made, and fails its own making without one; from then on
  // its locks always hold the mutex and need no test. Owners that do not check, and every user of
  // a named mutex, test isLocked before they touch what the mutex guards.
  CWinMutexLock lock() noexcept;
  HANDLE getHandle() const noexcept { return handle.get(); }

 private:
  luma::CKernelHandle handle;
  CModuleDebugLog* traceLog;
};

#endif  // LUMA_PLUGINS_DIAGNOSTICS_WIN_MUTEX_H_
