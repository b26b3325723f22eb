// The debug log of a library that runs inside other processes (the PKCS#11 module and the provider
// plug-ins): switched on under the module's machine key, one 8-bit text file per process, or the
// debugger output when no directory is configured.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_MODULE_DEBUG_LOG_H_
#define LUMA_PLUGINS_DIAGNOSTICS_MODULE_DEBUG_LOG_H_

#include <windows.h>

#include <atomic>
#include <string>

#include "foundation/win/unique_handle.h"

// Levels: 1 failures, 2 warnings, 3 results and events, 4 details (the mutex trace, a module's own
// steps: the store provider's calls, a plug-in's unload with open handles), 5 entry/exit, arguments,
// dumps.
enum : int {
  kLogError = 1,
  kLogWarning = 2,
  kLogInfo = 3,
  kLogDetail = 4,
  kLogTrace = 5,
};

// Each module owns exactly one instance, a global constructed when the module is loaded, named after
// the module ("lumaPassP11", "lumaPassKSP", ...): its settings live under HKLM "SOFTWARE\nuvak\<name>".
// Nothing here throws: the instance lives inside a host process, where an exception from a static
// initialiser or an entry point would end it. Settings that cannot be read (also for want of memory)
// leave the log off.
class CModuleDebugLog {
 public:
  explicit CModuleDebugLog(const char* moduleName) noexcept;
  ~CModuleDebugLog();
  CModuleDebugLog(const CModuleDebugLog&) = delete;
  CModuleDebugLog& operator=(const CModuleDebugLog&) = delete;

  // Reads the settings once per instance and opens the file they name.
  void readSettings() noexcept;
  // Closes the current file and opens (appends to) the given one; an empty path switches the log off.
  void openFile(const char* path) noexcept;
  // Writes one line when the log is on at `level`; keeps the caller's last error.
  void print(int level, const char* format, ...) noexcept __attribute__((format(gnu_printf, 3, 4)));
  // A level-5 hex dump whose rows stay together; the rows it formats are wiped afterwards, as the
  // bytes may be a PIN or a plaintext.
  void dump(const char* label, const void* data, DWORD size) noexcept;
  // The caller's stack at level 5.
  void stackTrace() noexcept;
  // Writes the closing line and closes the file and the mutex; a second call only switches the log off.
  void shutdown() noexcept;

  // Call sites test this before they build costly arguments.
  bool isOn(int atLevel) const { return enabled.load(std::memory_order_relaxed) && atLevel <= level.load(); }
  bool isEnabled() const { return enabled.load(std::memory_order_relaxed); }
  int getLevel() const { return level.load(std::memory_order_relaxed); }
  const std::string& getModuleName() const { return moduleName; }
  // The mutex that guards the file, so that a test can see it is free.
  HANDLE getMutexHandle() const { return mutex.get(); }

 private:
  // The steps of readSettings that may run out of memory; called with the mutex held.
  void loadSettings();
  void writeLine(const char* text) noexcept;  // with the mutex held

  std::string moduleName;
  bool configured = false;
  std::atomic<bool> enabled{false};
  std::atomic<int> level{kLogInfo};
  luma::CKernelHandle file;
  luma::CKernelHandle mutex;
};

namespace luma::diagnostics {

// The system text of a Win32 or HRESULT code, without its line end; WinINet's texts when that module is
// already loaded; "(no descriptive message available)" or "Unknown error" when there is none.
// Throws std::bad_alloc only.
std::string getErrorText(DWORD code);

// "DebugLogPath" of the module's key, only when it is stored as REG_SZ. Throws std::bad_alloc only.
bool readDebugLogPath(const std::string& moduleName, std::string& path);

}  // namespace luma::diagnostics

#endif  // LUMA_PLUGINS_DIAGNOSTICS_MODULE_DEBUG_LOG_H_
