#include "service/app/hidden_main_window.h"

#include "foundation/win/debug_log.h"

namespace luma::app {

bool ReadCopyDataText(const COPYDATASTRUCT* data, std::wstring& text) {
  if (data == nullptr || data->lpData == nullptr || data->cbData == 0 ||
      data->cbData % sizeof(wchar_t) != 0) {
    return false;
  }
  const std::size_t units = data->cbData / sizeof(wchar_t);
  if (units > kMaxProtocolUrlLength + 1) return false;
  const auto* begin = static_cast<const wchar_t*>(data->lpData);
  std::size_t length = 0;
  while (length < units && begin[length] != L'\0') ++length;
  if (length == units) return false;
  text.assign(begin, length);
  return true;
}

bool CHiddenMainWindow::CreateHidden() {
  if (!Create(kMainWindowTitle, WS_OVERLAPPEDWINDOW)) return false;
  ShowWindow(Handle(), SW_HIDE);
  UpdateWindow(Handle());
  return true;
}

LRESULT CHiddenMainWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      CDebugLog::Log(LOG_DEBUG, L"Main window closed");
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) DestroyWindow(Handle());
      return 0;
    case WM_COPYDATA: {
      std::wstring url;
      if (!ReadCopyDataText(reinterpret_cast<const COPYDATASTRUCT*>(lParam), url)) {
        CDebugLog::Log(LOG_WARNING, L"Ignoring a malformed protocol request");
        return FALSE;
      }
      CDebugLog::Log(LOG_INFO, L"Protocol request received: %s", url.c_str());
      if (onProtocolUrl) onProtocolUrl(url);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kOpenAccountListCommand) {
        CDebugLog::Log(LOG_INFO, L"Account list requested");
        if (onOpenAccountList) onOpenAccountList();
        return 0;
      }
      break;
    default:
      break;
  }
  return CAppWindow::WindowProc(message, wParam, lParam);
}

}  // namespace luma::app
