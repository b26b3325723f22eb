#include "foundation/win/debug_log.h"

#include <cstdarg>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "foundation/core/log_format.h"
#include "foundation/win/system_utils.h"

namespace {

// Static initialisation makes the log before the program's own start-up code runs.
CDebugLog& g_startupInstance = CDebugLog::Instance();

constexpr std::int64_t kFileTimeTo1970 = 116444736000000000LL;  // 100 ns ticks from 1601 to 1970

std::int64_t SecondsSince1970(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return (ticks - kFileTimeTo1970) / 10000000;
}

CLogTime LocalLogTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return luma::CalendarFromSystemTime(now);
}

// Wipes a stack buffer when it goes out of scope.
class CStackWipe {
 public:
  CStackWipe(void* block, size_t size) : block(block), size(size) {}
  ~CStackWipe() { luma::SecureWipe(block, size); }
  CStackWipe(const CStackWipe&) = delete;
  CStackWipe& operator=(const CStackWipe&) = delete;

 private:
  void* block;
  size_t size;
};

// Wipes the formatted lines of a dump when they go out of scope, also when writing them throws.
class CLinesWipe {
 public:
  explicit CLinesWipe(std::vector<std::wstring>& lines) : lines(lines) {}
  ~CLinesWipe() {
    for (auto& line : lines) luma::SecureWipe(&line[0], line.size() * sizeof(wchar_t));
  }
  CLinesWipe(const CLinesWipe&) = delete;
  CLinesWipe& operator=(const CLinesWipe&) = delete;

 private:
  std::vector<std::wstring>& lines;
};

// Restores the thread's last error when the log call ends.
class CLastErrorKeeper {
 public:
  CLastErrorKeeper() : saved(GetLastError()) {}
  ~CLastErrorKeeper() { SetLastError(saved); }

 private:
  DWORD saved;
};

}  // namespace

// Holds the named mutex (when it can be had) and the in-process lock. A failed wait does not stop
// the writer: an unserialised line is better than a lost one.
class CDebugLogLock {
 public:
  explicit CDebugLogLock(CDebugLog& log) : threads(log.threadLock), mutex(log.mutex.get()) {
    if (mutex != nullptr) {
      const DWORD wait = WaitForSingleObject(mutex, INFINITE);
      owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
  }
  ~CDebugLogLock() {
    if (owned) ReleaseMutex(mutex);
  }
  CDebugLogLock(const CDebugLogLock&) = delete;
  CDebugLogLock& operator=(const CDebugLogLock&) = delete;

 private:
  CMutexObjLock threads;
  HANDLE mutex;
  bool owned = false;
};

CDebugLog& CDebugLog::Instance() {
  static CDebugLog instance;
  return instance;
}

CDebugLog::CDebugLog() {
  mutex.reset(CreateMutexW(nullptr, FALSE, kMutexName));
  if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) mutex = OpenExistingMutex(kMutexName);
}

CDebugLog::~CDebugLog() {
  enabled = false;
  {
    CDebugLogLock lock(*this);
    CloseFileLocked();
  }
  mutex.reset();
}

luma::CKernelHandle CDebugLog::OpenExistingMutex(const wchar_t* name) {
  // Waiting needs SYNCHRONIZE and releasing needs MUTEX_MODIFY_STATE.
  return luma::CKernelHandle(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
}

luma::CKernelHandle CDebugLog::ReplaceMutexForTesting(luma::CKernelHandle replacement) {
  CDebugLog& log = Instance();
  CMutexObjLock lock(log.threadLock);
  std::swap(log.mutex, replacement);
  return replacement;
}

void CDebugLog::SetLevel(int newLevel) {
  CDebugLog& log = Instance();
  log.level = newLevel;
  log.enabled = newLevel != 0;
}

void CDebugLog::SetRotation(DWORD newMaxGenerations, DWORD newRotateSize, DWORD newRotateAgeDays) {
  CDebugLog& log = Instance();
  CDebugLogLock lock(log);
  log.maxGenerations = newMaxGenerations;
  log.rotateSize = newRotateSize;
  log.rotateAge = newRotateAgeDays;
}

bool CDebugLog::IsLevelEnabled(int lineLevel) {
  const CDebugLog& log = Instance();
  return log.enabled && lineLevel <= log.level;
}

void CDebugLog::Log(int lineLevel, const wchar_t* format, ...) {
  if (!IsLevelEnabled(lineLevel) || format == nullptr) return;
  CLastErrorKeeper keepError;
  wchar_t text[luma::kMaxLogText + 1];
  va_list args;
  va_start(args, format);
  // The C runtime's own wide printf: %s takes a wide string, as every caller's format expects.
  const int written = _vsnwprintf(text, luma::kMaxLogText, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= luma::kMaxLogText) text[luma::kMaxLogText] = 0;
  const CStackWipe wipeText(text, sizeof(text));  // callers may format secrets into the line

  CDebugLog& log = Instance();
  CDebugLogLock lock(log);
  log.WriteLineLocked(text);
  if (log.file) FlushFileBuffers(log.file.get());
}

void CDebugLog::LogHexDump(const wchar_t* label, const BYTE* data, DWORD size) {
  CDebugLog& log = Instance();
  if (!log.enabled || log.level < LOG_DEBUG) return;
  CLastErrorKeeper keepError;
  try {
    std::vector<std::wstring> lines = luma::FormatHexDump(label != nullptr ? label : L"", data, size);
    // Dumps show pipe requests and responses, PINs and decrypted blocks among them.
    const CLinesWipe wipeLines(lines);
    CDebugLogLock lock(log);
    for (const auto& line : lines) log.WriteLineLocked(line.c_str());
    if (log.file) FlushFileBuffers(log.file.get());
  } catch (const std::bad_alloc&) {
    // Logging never fails its caller; a dump that does not fit in memory is left out.
  }
}

void CDebugLog::WriteLine(const wchar_t* text) { Instance().WriteLineLocked(text); }

void CDebugLog::WriteLineLocked(const wchar_t* text) {
  // A fixed buffer on the stack: the line costs no heap memory.
  wchar_t line[luma::kMaxLogLine + 1];
  // The line may carry dumped bytes (PINs, decrypted blocks): it is wiped on every way out.
  const CStackWipe wipeLine(line, sizeof(line));
  const size_t length = luma::FormatLogLine(LocalLogTime(), GetCurrentProcessId(), GetCurrentThreadId(), text,
                                            line, luma::kMaxLogLine + 1);
  if (!file) {
    OutputDebugStringW(line);
    return;
  }
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD bytesWritten = 0;
  WriteFile(file.get(), line, static_cast<DWORD>(length * sizeof(wchar_t)), &bytesWritten, nullptr);
}

void CDebugLog::CloseFileLocked() { file.reset(); }

void CDebugLog::RotateLocked(const wchar_t* path) {
  CLogFileFacts facts;
  {
    luma::CKernelHandle existing(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!existing) return;  // missing (or busy): nothing to rotate
    LARGE_INTEGER size;
    if (GetFileSizeEx(existing.get(), &size)) {
      facts.haveSize = true;
      facts.size = static_cast<std::uint64_t>(size.QuadPart);
    }
    FILETIME created;
    if (GetFileTime(existing.get(), &created, nullptr, nullptr)) {
      facts.haveCreationTime = true;
      facts.creationSeconds = SecondsSince1970(created);
    }
  }

  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  if (!luma::IsLogRotationDue(facts, SecondsSince1970(now), rotateAge, rotateSize)) return;
  const std::wstring rotated = luma::RotatedLogName(path, LocalLogTime());
  // A second rotation within the same minute finds the name taken and leaves the file in place.
  if (!MoveFileW(path, rotated.c_str()) || maxGenerations == 0) return;

  const std::wstring directory = luma::LogDirectoryPart(path);
  std::vector<std::wstring> generations;
  WIN32_FIND_DATAW entry;
  // Owned, so that a list that runs out of memory does not leave the search open.
  luma::CFindHandle find(FindFirstFileW((std::wstring(path) + L"_20*").c_str(), &entry));
  if (find) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        generations.push_back(directory + entry.cFileName);
    } while (FindNextFileW(find.get(), &entry));
  }
  for (const auto& old : luma::SelectLogGenerationsToDelete(std::move(generations), maxGenerations)) {
    DeleteFileW(old.c_str());
  }
}

void CDebugLog::Open(const wchar_t* path) {
  CDebugLog& log = Instance();
  CLastErrorKeeper keepError;
  CDebugLogLock lock(log);
  log.CloseFileLocked();
  if (path == nullptr || *path == 0) {
    log.enabled = false;
    return;
  }
  try {
    log.RotateLocked(path);
  } catch (const std::bad_alloc&) {
    // Rotation is best effort; the log goes on in the current file.
  }
  log.file.reset(CreateFileW(path, FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
  if (log.file && GetLastError() != ERROR_ALREADY_EXISTS) {
    // The age of a log counts from its creation; a file reusing an old name would keep the old time.
    SYSTEMTIME now;
    FILETIME created;
    GetSystemTime(&now);
    if (SystemTimeToFileTime(&now, &created)) SetFileTime(log.file.get(), &created, nullptr, nullptr);
  }
  log.enabled = true;
}
