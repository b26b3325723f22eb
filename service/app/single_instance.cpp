#include "service/app/single_instance.h"

#include "foundation/win/debug_log.h"
#include "service/app/hidden_main_window.h"

namespace luma::app {

std::wstring BuildInstanceMutexName(const std::wstring& sid) {
  return L"Global\\{89CEB7CD-D51C-4824-A903-F0E002BF48F3}-{" + sid + L"}";
}

LRESULT SendProtocolUrl(HWND window, const std::wstring& url) {
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(url.c_str());
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

RunningInstanceNotice NotifyRunningInstance(const luma::service::LumaPassVCommandLine& commandLine) {
  RunningInstanceNotice notice;
  const HWND window = FindWindowW(nullptr, kMainWindowTitle);
  notice.windowFound = window != nullptr;
  if (window == nullptr) return notice;

  if (commandLine.closeRunning) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    SendMessageW(window, WM_CLOSE, 0, 0);
    if (processId != 0) {
      luma::CKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
      if (process && WaitForSingleObject(process.get(), kCloseWaitMilliseconds) == WAIT_TIMEOUT) {
        CDebugLog::Log(LOG_WARNING, L"The running lumaPassV has not ended yet");
        notice.stillRunning = std::move(process);
      }
    }
  } else if (commandLine.protocol) {
    SendProtocolUrl(window, commandLine.protocolUrl);
  } else {
    SendMessageW(window, WM_COMMAND, kOpenAccountListCommand, 0);
  }
  return notice;
}

}  // namespace luma::app
