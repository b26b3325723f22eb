// The debug log of a library that runs inside other processes (the PKCS#11 module and the provider
// plug-ins): switched on under the module's machine key, one 8-bit text file per process, or the
// debugger output when no directory is configured.
#ifndef LUMA_PKCS11_DIAGNOSTICS_MODULE_DEBUG_LOG_H_
#define LUMA_PKCS11_DIAGNOSTICS_MODULE_DEBUG_LOG_H_

#include <windows.h>

#include <atomic>
#include <string>

// Levels: 1 failures, 2 warnings, 3 results and events, 4 mutex trace, 5 entry/exit, arguments, dumps.
enum : int {
  kLogError = 1,
  kLogWarning = 2,
  kLogInfo = 3,
  kLogMutex = 4,
  kLogTrace = 5,
};

// Each module owns exactly one instance, a global constructed when the module is loaded, named after
// the module ("lumaPassP11", "lumaPassKSP", ...): its settings live under HKLM "SOFTWARE\nuvak\<name>".
class CModuleDebugLog {
 public:
  explicit CModuleDebugLog(const char* moduleName);
  ~CModuleDebugLog();
  CModuleDebugLog(const CModuleDebugLog&) = delete;
  CModuleDebugLog& operator=(const CModuleDebugLog&) = delete;

  // Reads the settings once per instance and opens the file they name.
  void readSettings();
  // Closes the current file and opens (appends to) the given one; an empty path switches the log off.
  void openFile(const char* path);
  // Writes one line when the log is on at `level`; keeps the caller's last error.
  void print(int level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
  // A level-5 hex dump whose rows stay together.
  void dump(const char* label, const void* data, DWORD size);
  // The caller's stack at level 5.
  void stackTrace();
  // Writes the closing line and closes the file and the mutex; a second call only switches the log off.
  void shutdown();

  // Call sites test this before they build costly arguments.
  bool isOn(int atLevel) const { return enabled.load(std::memory_order_relaxed) && atLevel <= level.load(); }
  bool isEnabled() const { return enabled.load(std::memory_order_relaxed); }
  int getLevel() const { return level.load(std::memory_order_relaxed); }
  const std::string& getModuleName() const { return moduleName; }

 private:
  void writeLine(const char* text);  // with the mutex held
  void lockMutex() const;
  void unlockMutex() const;

  std::string moduleName;
  bool configured = false;
  std::atomic<bool> enabled{false};
  std::atomic<int> level{kLogInfo};
  HANDLE file = INVALID_HANDLE_VALUE;
  HANDLE mutex = INVALID_HANDLE_VALUE;
};

// The system text of a Win32 or HRESULT code, without its line end; WinINet's texts when that module is
// already loaded; "(no descriptive message available)" or "Unknown error" when there is none.
std::string getErrorText(DWORD code);

// "DebugLogPath" of the module's key, only when it is stored as REG_SZ.
bool readDebugLogPath(const std::string& moduleName, std::string& path);

#endif  // LUMA_PKCS11_DIAGNOSTICS_MODULE_DEBUG_LOG_H_
