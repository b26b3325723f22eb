#include "plugins/diagnostics/win_mutex.h"

#include <cstdint>
#include <utility>

#include "plugins/diagnostics/module_debug_log.h"

namespace {

// Waiting on and releasing a mutex need these rights; a handle with fewer only keeps the object alive.
constexpr DWORD kUsableAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;
constexpr DWORD kPresenceAccess = 2;

unsigned long HandleValue(HANDLE handle) {
  return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
}

bool Tracing(const CModuleDebugLog* log) { return log != nullptr && log->isOn(kLogDetail); }

}  // namespace

CWinMutex::CWinMutex(const char* name, CModuleDebugLog* traceLog) noexcept
    : handle(CreateMutexA(nullptr, FALSE, name)), traceLog(traceLog) {
  if (!handle && GetLastError() == ERROR_ACCESS_DENIED) {
    // A named mutex made by another security context.
    if (Tracing(traceLog)) traceLog->print(kLogDetail, "     ### Opening existing mutex");
    handle.reset(OpenMutexA(kUsableAccess, FALSE, name));
    if (!handle) handle.reset(OpenMutexA(kPresenceAccess, FALSE, name));
  }
  if (Tracing(traceLog)) traceLog->print(kLogDetail, "     ### Mutex %08lx", HandleValue(handle.get()));
}

CWinMutexLock CWinMutex::lock() noexcept {
  const HANDLE raw = handle.get();
  if (Tracing(traceLog)) traceLog->print(kLogDetail, "     ### Acquiring mutex %08lx", HandleValue(raw));
  const DWORD waited = raw != nullptr ? WaitForSingleObject(raw, INFINITE) : WAIT_FAILED;
  // An abandoned mutex is owned by this thread now, like one released in order.
  const bool locked = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (Tracing(traceLog)) {
    if (locked) {
      traceLog->print(kLogDetail, "     ### Mutex %08lx acquired", HandleValue(raw));
    } else {
      traceLog->print(kLogDetail, "     ### Mutex %08lx not acquired (error %lu)", HandleValue(raw),
                      GetLastError());
    }
  }
  return CWinMutexLock(locked, raw, traceLog);
}

CWinMutexLock::CWinMutexLock(CWinMutexLock&& other) noexcept
    : locked(std::exchange(other.locked, false)), handle(other.handle), traceLog(other.traceLog) {}

void CWinMutexLock::release() noexcept {
  if (!locked) return;
  if (Tracing(traceLog)) traceLog->print(kLogDetail, "     ### Releasing %08lx", HandleValue(handle));
  ReleaseMutex(handle);
  locked = false;
}
