// A fresh directory under the temporary folder for one test, removed with its files afterwards.
#ifndef LUMA_FOUNDATION_WIN_TESTS_TEST_TEMP_DIR_H_
#define LUMA_FOUNDATION_WIN_TESTS_TEST_TEMP_DIR_H_

#include <windows.h>

#include <string>

#include "foundation/win/unique_handle.h"

class CTestTempDir {
 public:
  CTestTempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    path_ = std::wstring(base) + L"luma_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~CTestTempDir() { RemoveTree(path_); }
  CTestTempDir(const CTestTempDir&) = delete;
  CTestTempDir& operator=(const CTestTempDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  // Removes the folder with everything in it.
  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW entry;
    const luma::CFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &entry));
    if (find) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = dir + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          DeleteFileW(full.c_str());
        }
      } while (FindNextFileW(find.get(), &entry));
    }
    RemoveDirectoryW(dir.c_str());
  }

 private:
  std::wstring path_;
};

#endif  // LUMA_FOUNDATION_WIN_TESTS_TEST_TEMP_DIR_H_
