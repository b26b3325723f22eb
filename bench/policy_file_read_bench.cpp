// Windows only: reads a 1 MiB policy-sized file with ReadFileData again and again and prints the
// time per MiB. Built in the Windows tree, run by hand.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "foundation/win/system_utils.h"

int main() {
  wchar_t folder[MAX_PATH];
  if (GetTempPathW(MAX_PATH, folder) == 0) return 1;
  const std::wstring path = std::wstring(folder) + L"luma_policy_read_bench.pol";
  CSecureBuffer content(1024 * 1024);
  for (DWORD i = 0; i < content.size; ++i) content.data[i] = static_cast<BYTE>(i * 31);
  if (luma::WriteFileData(path, content) != ERROR_SUCCESS) return 1;
  constexpr int kRepeats = 200;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) {
    CSecureBuffer read;
    if (luma::ReadFileData(path, read) != ERROR_SUCCESS || read.size != content.size) return 1;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("ReadFileData 1 MiB: %.3f ms/MiB\n",
              std::chrono::duration<double, std::milli>(elapsed).count() / kRepeats);
  DeleteFileW(path.c_str());
  return 0;
}
