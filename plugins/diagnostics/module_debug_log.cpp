#include "plugins/diagnostics/module_debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr char kKeyPrefix[] = "SOFTWARE\\nuvak\\";
constexpr size_t kTextSize = 2048;  // every message and line is cut to 2047 characters
constexpr DWORD kPathValueSize = 8192;
constexpr DWORD kShortPath = 260;
constexpr DWORD kStackFrames = 128;
constexpr DWORD kSkippedFrames = 2;
constexpr int kDumpRowBytes = 16;

class RegistryKey {
 public:
  explicit RegistryKey(const std::string& moduleName) {
    const std::string path = kKeyPrefix + moduleName;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
        ERROR_SUCCESS) {
      key.reset();
    }
  }

  bool readDword(const char* name, DWORD& value) const {
    if (!key) return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data)) {
      return false;
    }
    value = data;
    return true;
  }

  HKEY get() const { return key.get(); }

 private:
  luma::CRegistryKeyHandle key;
};

// Holds the log's mutex for a scope. A wait that fails leaves the caller unguarded rather than
// silent: a log line is worth more than its neighbour's tidiness.
class CHeldLogMutex {
 public:
  explicit CHeldLogMutex(HANDLE mutex) noexcept : mutex(mutex) {
    if (mutex == nullptr) return;
    const DWORD waited = WaitForSingleObject(mutex, INFINITE);
    held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~CHeldLogMutex() {
    if (held) ReleaseMutex(mutex);
  }
  CHeldLogMutex(const CHeldLogMutex&) = delete;
  CHeldLogMutex& operator=(const CHeldLogMutex&) = delete;

 private:
  HANDLE mutex;
  bool held = false;
};

// The host program's file name without directory and extension.
std::string HostProgramName() {
  char path[kShortPath + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, kShortPath);
  std::string name(path, length < kShortPath ? length : 0);
  const size_t slash = name.find_last_of("\\/:");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace

namespace luma::diagnostics {

bool readDebugLogPath(const std::string& moduleName, std::string& path) {
  RegistryKey key(moduleName);
  if (key.get() == nullptr) return false;
  // One byte more than the value may fill, so the text always ends with a zero.
  std::string buffer(kPathValueSize, '\0');
  DWORD type = 0;
  DWORD size = kPathValueSize - 1;
  if (RegQueryValueExA(key.get(), "DebugLogPath", nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  path.assign(buffer.c_str());
  return true;
}

std::string getErrorText(DWORD code) {
  constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
  char* text = nullptr;
  DWORD length = FormatMessageA(kFlags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, language,
                                reinterpret_cast<char*>(&text), 0, nullptr);
  const HMODULE wininet = GetModuleHandleA("WinINet.dll");
  if (length == 0 && wininet != nullptr) {
    length = FormatMessageA(kFlags | FORMAT_MESSAGE_FROM_HMODULE, wininet, code, language,
                            reinterpret_cast<char*>(&text), 0, nullptr);
  }
  // The system's buffer is freed on every path, also when the copy below runs out of memory.
  const luma::CLocalMemoryHandle owned(text);
  if (length == 0 || text == nullptr) {
    return wininet != nullptr ? "(no descriptive message available)" : "Unknown error";
  }
  // Message texts end with a line end.
  return std::string(text, length >= 2 ? length - 2 : 0);
}

}  // namespace luma::diagnostics

CModuleDebugLog::CModuleDebugLog(const char* name) noexcept : mutex(CreateMutexA(nullptr, FALSE, nullptr)) {
  try {
    moduleName = name != nullptr ? name : "";
  } catch (const std::bad_alloc&) {
    configured = true;  // without its name the module has no settings to read: the log stays off
  }
  readSettings();
  print(kLogTrace, "Debug log started");
}

CModuleDebugLog::~CModuleDebugLog() { shutdown(); }

void CModuleDebugLog::readSettings() noexcept {
  const CHeldLogMutex held(mutex.get());
  if (configured) return;
  configured = true;
  try {
    loadSettings();
  } catch (const std::bad_alloc&) {
    // Half-read settings are no settings: the log stays off and the host process goes on.
    enabled = false;
    file.reset();
  }
}

void CModuleDebugLog::loadSettings() {
  DWORD enable = 0;
  if (!RegistryKey(moduleName).readDword("EnableDebugLog", enable) || enable == 0) return;
  enabled = true;
  DWORD configuredLevel = 0;
  if (RegistryKey(moduleName).readDword("DebugLogLevel", configuredLevel)) {
    level = static_cast<int>(configuredLevel);
  }
  std::string directory;
  if (!luma::diagnostics::readDebugLogPath(moduleName, directory)) return;
  char expanded[kShortPath] = {};
  const DWORD needed = ExpandEnvironmentStringsA(directory.c_str(), expanded, kShortPath);
  // A path that does not expand within the limit cannot name a file: lines go to the debugger.
  if (needed == 0 || needed > kShortPath) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char fileName[kTextSize];
  std::snprintf(fileName, sizeof(fileName), "%s\\%s_%04d%02d%02d_%02d%02d%02d_P%06lu_%s.log", expanded,
                moduleName.c_str(), now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                GetCurrentProcessId(), HostProgramName().c_str());
  // The mutex is re-entrant: openFile takes it once more on this thread.
  openFile(fileName);
}

void CModuleDebugLog::openFile(const char* path) noexcept {
  const CHeldLogMutex held(mutex.get());
  file.reset();
  if (path != nullptr && path[0] != '\0') {
    // A file that cannot be created leaves no handle: lines then go to the debugger.
    file.reset(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    enabled = true;
  } else {
    enabled = false;
  }
}

void CModuleDebugLog::print(int lineLevel, const char* format, ...) noexcept {
  if (!isOn(lineLevel)) return;
  const DWORD lastError = GetLastError();
  char message[kTextSize];
  va_list arguments;
  va_start(arguments, format);
  if (std::vsnprintf(message, sizeof(message), format, arguments) < 0) message[0] = '\0';
  va_end(arguments);
  {
    const CHeldLogMutex held(mutex.get());
    writeLine(message);
  }
  SetLastError(lastError);
}

void CModuleDebugLog::writeLine(const char* text) noexcept {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[kTextSize];
  int length =
      std::snprintf(line, sizeof(line), "%04d/%02d/%02d %02d:%02d:%02d.%03d - P%06lu/T%06lu - %s\r\n",
                    now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                    GetCurrentProcessId(), GetCurrentThreadId(), text);
  if (length >= 0) {
    if (static_cast<size_t>(length) >= sizeof(line)) {
      // A cut line still ends with its line end, so it never runs into the next one.
      length = static_cast<int>(sizeof(line)) - 1;
      line[length - 2] = '\r';
      line[length - 1] = '\n';
    }
    if (!file) {
      OutputDebugStringA(line);
    } else {
      SetFilePointer(file.get(), 0, nullptr, FILE_END);
      DWORD written = 0;
      WriteFile(file.get(), line, static_cast<DWORD>(length), &written, nullptr);
      FlushFileBuffers(file.get());
    }
  }
  // A dump's row may carry secret bytes into the line.
  SecureZeroMemory(line, sizeof(line));
}

void CModuleDebugLog::dump(const char* label, const void* data, DWORD size) noexcept {
  if (!isOn(kLogTrace)) return;
  const DWORD lastError = GetLastError();
  {
    const CHeldLogMutex held(mutex.get());
    char line[kTextSize];
    std::snprintf(line, sizeof(line), "     %s %lu bytes (0x%04lx)", label != nullptr ? label : "", size,
                  size);
    writeLine(line);
    if (data == nullptr) {
      writeLine("     NULL pointer!");
    } else {
      const auto* bytes = static_cast<const BYTE*>(data);
      // The rows hold the dumped bytes (a PIN, a plaintext): each buffer is wiped once it is written.
      char row[128];
      char text[kDumpRowBytes + 1];
      for (DWORD offset = 0; offset < size; offset += kDumpRowBytes) {
        int used = std::snprintf(row, sizeof(row), "%08lx  ", offset);
        std::memset(text, 0, sizeof(text));
        for (int j = 0; j < kDumpRowBytes; ++j) {
          if (j == 8) row[used++] = ' ';
          const DWORD index = offset + j;
          if (index < size) {
            used += std::snprintf(row + used, sizeof(row) - used, "%02x ", bytes[index]);
            text[j] = (bytes[index] >= 0x20 && bytes[index] <= 0x7E) ? static_cast<char>(bytes[index]) : '.';
          } else {
            used += std::snprintf(row + used, sizeof(row) - used, "   ");
            text[j] = ' ';
          }
        }
        std::snprintf(row + used, sizeof(row) - used, " |%s|", text);
        std::snprintf(line, sizeof(line), "       %s", row);
        writeLine(line);
      }
      SecureZeroMemory(row, sizeof(row));
      SecureZeroMemory(text, sizeof(text));
      SecureZeroMemory(line, sizeof(line));
    }
    if (file) FlushFileBuffers(file.get());
  }
  SetLastError(lastError);
}

void CModuleDebugLog::stackTrace() noexcept {
  if (!isOn(kLogTrace)) return;
  // A frame outside every module makes the look-ups fail; the caller's last error must survive them.
  const DWORD lastError = GetLastError();
  print(kLogTrace, "  Stack Trace");
  void* frames[kStackFrames] = {};
  const USHORT count = RtlCaptureStackBackTrace(kSkippedFrames, kStackFrames, frames, nullptr);
  for (USHORT i = 0; i < count; ++i) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<const char*>(frames[i]), &module)) {
      continue;
    }
    char path[kShortPath + 1] = {};
    if (GetModuleFileNameA(module, path, kShortPath) != 0) {
      print(kLogTrace, "     [%03d] %s!%p", i, path, frames[i]);
    } else {
      print(kLogTrace, "     [%03d] <unable to get module filename>!%p", i, frames[i]);
    }
  }
  SetLastError(lastError);
}

void CModuleDebugLog::shutdown() noexcept {
  print(kLogTrace, "Debug log shutdown");
  enabled = false;
  {
    const CHeldLogMutex held(mutex.get());
    file.reset();
  }
  mutex.reset();
}
