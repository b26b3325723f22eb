#include "plugins/common/tests/dll_registration.h"

#include "foundation/win/unique_handle.h"

namespace luma::plugin {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

DWORD RunRegsvr32(const std::wstring& path) {
  std::wstring command = L"regsvr32.exe /s \"" + path + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return GetLastError();
  }
  const luma::CKernelHandle processHandle(process.hProcess);
  const luma::CKernelHandle threadHandle(process.hThread);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &exitCode);
  return exitCode;
}

}  // namespace luma::plugin
