// The program's one log writer: levelled lines to a rotated UTF-16 file, or to the debugger output
// when no file is configured. A named mutex serialises the writers of every thread and of every
// process of the logon session, so that processes can share one file.
#ifndef LUMA_FOUNDATION_WIN_DEBUG_LOG_H_
#define LUMA_FOUNDATION_WIN_DEBUG_LOG_H_

#include <windows.h>

#include <atomic>

#include "foundation/core/mutex_obj.h"
#include "foundation/win/unique_handle.h"

enum LogLevel : int {
  LOG_ERROR = 1,
  LOG_WARNING = 2,
  LOG_INFO = 3,
  LOG_DEBUG = 4,  // hex dumps need at least this level
  LOG_TRACE = 5,
};

class CDebugLog {
 public:
  static constexpr const wchar_t* kMutexName =
      L"Local\\lumaPassV {53a37fb8-dbc8-4528-9199-ff2f4f298c1b} DebugLog";
  static constexpr DWORD kDefaultMaxGenerations = 1000000;

  // Settings, applied by start-up. A level of 0 disables the log; any other enables it.
  static void SetLevel(int level);
  // maxGenerations 0 keeps every rotated file; a size or age of 0 never rotates for that reason.
  static void SetRotation(DWORD maxGenerations, DWORD rotateSize, DWORD rotateAgeDays);

  // Closes the current file, rotates and cleans up the one at `path`, and opens it for appending; a
  // null or empty path disables the log. A file that cannot be opened sends lines to the debugger.
  static void Open(const wchar_t* path);

  static bool IsLevelEnabled(int level);
  // One line; %s takes a wide string. Texts are cut at 2047 characters. Keeps the last error.
  static void Log(int level, const wchar_t* format, ...);
  // A hex dump of a block, written at LOG_DEBUG and above. Keeps the last error.
  static void LogHexDump(const wchar_t* label, const BYTE* data, DWORD size);
  // Formats and writes one line; the caller holds the mutex.
  static void WriteLine(const wchar_t* text);

  // Opens an existing mutex of the log with the rights a writer needs (wait and release).
  static luma::CKernelHandle OpenExistingMutex(const wchar_t* name);
  // Puts another mutex handle in place of the log's own and returns the previous one; for tests
  // that make the wait fail.
  static luma::CKernelHandle ReplaceMutexForTesting(luma::CKernelHandle mutex);

  // The process-wide instance; made by static initialisation, closed at process exit.
  static CDebugLog& Instance();

  ~CDebugLog();
  CDebugLog(const CDebugLog&) = delete;
  CDebugLog& operator=(const CDebugLog&) = delete;

 private:
  CDebugLog();
  void WriteLineLocked(const wchar_t* text);
  void CloseFileLocked();
  void RotateLocked(const wchar_t* path);

  std::atomic<bool> enabled{false};
  std::atomic<int> level{LOG_INFO};
  luma::CKernelHandle file;
  luma::CKernelHandle mutex;
  DWORD maxGenerations = kDefaultMaxGenerations;
  DWORD rotateSize = 0;
  DWORD rotateAge = 0;
  // Serialises the threads of this process even when the named mutex is not available.
  CMutexObj threadLock;

  friend class CDebugLogLock;
};

#endif  // LUMA_FOUNDATION_WIN_DEBUG_LOG_H_
