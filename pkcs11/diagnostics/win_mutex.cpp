#include "pkcs11/diagnostics/win_mutex.h"

#include <cstdint>
#include <utility>

#include "pkcs11/diagnostics/module_debug_log.h"

namespace {

// Waiting on and releasing a mutex need these rights; a handle with fewer only keeps the object alive.
constexpr DWORD kUsableAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;
constexpr DWORD kPresenceAccess = 2;

unsigned long HandleValue(HANDLE handle) {
  return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
}

bool Tracing(const CModuleDebugLog* log) { return log != nullptr && log->isOn(kLogMutex); }

}  // namespace

CWinMutex::CWinMutex(const char* name, CModuleDebugLog* traceLog) : traceLog(traceLog) {
  handle = CreateMutexA(nullptr, FALSE, name);
  if (handle == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    // A named mutex made by another security context.
    if (Tracing(traceLog)) traceLog->print(kLogMutex, "     ### Opening existing mutex");
    handle = OpenMutexA(kUsableAccess, FALSE, name);
    if (handle == nullptr) handle = OpenMutexA(kPresenceAccess, FALSE, name);
  }
  if (Tracing(traceLog)) traceLog->print(kLogMutex, "     ### Mutex %08lx", HandleValue(handle));
}

CWinMutex::~CWinMutex() {
  if (handle != nullptr) CloseHandle(handle);
  handle = nullptr;
}

CWinMutexLock CWinMutex::lock() {
  if (Tracing(traceLog)) traceLog->print(kLogMutex, "     ### Acquiring mutex %08lx", HandleValue(handle));
  WaitForSingleObject(handle, INFINITE);
  if (Tracing(traceLog)) traceLog->print(kLogMutex, "     ### Mutex %08lx acquired", HandleValue(handle));
  return CWinMutexLock(handle, traceLog);
}

CWinMutexLock::CWinMutexLock(CWinMutexLock&& other) noexcept
    : locked(std::exchange(other.locked, false)), handle(other.handle), traceLog(other.traceLog) {}

void CWinMutexLock::release() {
  if (!locked) return;
  if (Tracing(traceLog)) traceLog->print(kLogMutex, "     ### Releasing %08lx", HandleValue(handle));
  ReleaseMutex(handle);
  locked = false;
}
