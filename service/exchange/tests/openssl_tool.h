// The OpenSSL command-line tool of the Linux host, run from a test under Wine, and a folder that
// both sides see: Z:\tmp\... for the test is /tmp/... for the tool.
//
// Wine starts a Linux program from CreateProcessW but hands back no process handle (a null one, and
// a thread handle that is left-over stack content: see foundation/win/started_process.h), so the
// tool runs under the shell, which writes its exit code into a status file once it has ended.
#ifndef LUMA_SERVICE_EXCHANGE_TESTS_OPENSSL_TOOL_H_
#define LUMA_SERVICE_EXCHANGE_TESTS_OPENSSL_TOOL_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/started_process.h"
#include "foundation/win/unique_handle.h"

// A fresh folder under /tmp for one test, removed with its files afterwards.
class CSharedTempDir {
 public:
  CSharedTempDir() {
    static LONG counter = 0;
    name_ = L"luma_exchange_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(WindowsPath(L"").c_str(), nullptr);
  }
  ~CSharedTempDir() {
    WIN32_FIND_DATAW entry;
    const luma::CFindHandle find(FindFirstFileW(WindowsPath(L"*").c_str(), &entry));
    if (find) {
      do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          DeleteFileW(WindowsPath(entry.cFileName).c_str());
      } while (FindNextFileW(find.get(), &entry));
    }
    RemoveDirectoryW(WindowsPath(L"").c_str());
  }
  CSharedTempDir(const CSharedTempDir&) = delete;
  CSharedTempDir& operator=(const CSharedTempDir&) = delete;

  std::wstring WindowsPath(const std::wstring& file) const { return L"Z:\\tmp\\" + name_ + L"\\" + file; }
  std::wstring UnixPath(const std::wstring& file) const { return L"/tmp/" + name_ + L"/" + file; }

  bool Write(const std::wstring& file, const CSecureBuffer& bytes) const {
    const luma::CKernelHandle handle(
        CreateFileW(WindowsPath(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!handle) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(handle.get(), bytes.data, bytes.size, &written, nullptr);
    return ok && written == bytes.size;
  }

  // The file's bytes; empty when it cannot be read.
  CSecureBuffer Read(const std::wstring& file) const {
    const luma::CKernelHandle handle(CreateFileW(WindowsPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle) return CSecureBuffer();
    const DWORD size = GetFileSize(handle.get(), nullptr);
    CSecureBuffer bytes(size == INVALID_FILE_SIZE || size > (1u << 20) ? 0 : size);
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(handle.get(), bytes.data, bytes.size, &read, nullptr) || read != bytes.size))
      bytes.Clear();
    return bytes;
  }

 private:
  std::wstring name_;
};

class COpenSslTool {
 public:
  static constexpr DWORD kNotRun = 0xFFFFFFFF;

  // Set by the test command (CI): there a tool that cannot be reached fails the test that needs
  // it, so that the interop evidence never disappears behind a skip.
  static constexpr wchar_t kRequiredVariable[] = L"LUMA_REQUIRE_OPENSSL";

  // True where the host's tool can be reached (Wine on Linux); elsewhere the tests skip, or fail
  // when kRequiredVariable is set.
  static bool IsAvailable() {
    const bool reachable = GetFileAttributesW(L"Z:\\usr\\bin\\openssl") != INVALID_FILE_ATTRIBUTES &&
                           GetFileAttributesW(L"Z:\\bin\\sh") != INVALID_FILE_ATTRIBUTES;
    if (!reachable && GetEnvironmentVariableW(kRequiredVariable, nullptr, 0) != 0) {
      ADD_FAILURE() << "the host's OpenSSL tool cannot be reached, and LUMA_REQUIRE_OPENSSL asks for it";
    }
    return reachable;
  }

  // Runs "openssl <arguments>" (no quotes inside) and returns its exit code; kNotRun when it could
  // not be started or has not ended within two minutes.
  static DWORD Run(const CSharedTempDir& dir, const std::wstring& arguments) {
    DeleteFileW(dir.WindowsPath(L"status").c_str());
    std::wstring commandLine = L"Z:\\bin\\sh -c \"/usr/bin/openssl " + arguments + L"; echo $? > " +
                               dir.UnixPath(L"status.part") + L" && mv " + dir.UnixPath(L"status.part") +
                               L" " + dir.UnixPath(L"status") + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
      return kNotRun;
    }
    const luma::CStartedProcess started = luma::TakeStartedProcess(process);  // none under Wine
    for (int i = 0; i < 6000; ++i) {  // a safety limit, not a speed goal
      const CSecureBuffer status = dir.Read(L"status");
      if (!status.empty()) {
        const std::string text(reinterpret_cast<const char*>(status.data), status.size);
        return static_cast<DWORD>(std::stoul(text));
      }
      Sleep(20);
    }
    return kNotRun;
  }
};

#endif  // LUMA_SERVICE_EXCHANGE_TESTS_OPENSSL_TOOL_H_
