// The owner of a Win32 kernel mutex and its scoped lock; they guard a module's shared tables.
#ifndef LUMA_PKCS11_DIAGNOSTICS_WIN_MUTEX_H_
#define LUMA_PKCS11_DIAGNOSTICS_WIN_MUTEX_H_

#include <windows.h>

class CModuleDebugLog;

class CWinMutexLock {
 public:
  CWinMutexLock(CWinMutexLock&& other) noexcept;
  CWinMutexLock& operator=(CWinMutexLock&&) = delete;
  CWinMutexLock(const CWinMutexLock&) = delete;
  CWinMutexLock& operator=(const CWinMutexLock&) = delete;
  ~CWinMutexLock() { release(); }

  // Gives the mutex up before the end of the scope; later calls do nothing.
  void release();
  bool isLocked() const { return locked; }

 private:
  friend class CWinMutex;
  CWinMutexLock(HANDLE handle, CModuleDebugLog* traceLog)
      : locked(true), handle(handle), traceLog(traceLog) {}

  bool locked;
  HANDLE handle;
  CModuleDebugLog* traceLog;
};

class CWinMutex {
 public:
  // An unnamed mutex unless a name is given; with a trace log, level-4 lines follow every step.
  explicit CWinMutex(const char* name = nullptr, CModuleDebugLog* traceLog = nullptr);
  ~CWinMutex();
  CWinMutex(const CWinMutex&) = delete;
  CWinMutex& operator=(const CWinMutex&) = delete;

  // Waits without a time-out. The mutex is re-entrant for the owning thread.
  CWinMutexLock lock();
  HANDLE getHandle() const { return handle; }

 private:
  HANDLE handle = nullptr;
  CModuleDebugLog* traceLog;
};

#endif  // LUMA_PKCS11_DIAGNOSTICS_WIN_MUTEX_H_
