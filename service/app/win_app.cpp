#include "service/app/win_app.h"

#include "foundation/win/debug_log.h"

namespace luma::app {

int CWinAppBase::RunMessageLoop() {
  MSG message = {};
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) return -1;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int CWinAppBase::Run() {
  BOOL started = FALSE;
  try {
    started = InitInstance();
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception during start-up");
    started = FALSE;
  }
  if (started == TRUE && mainWindow != nullptr && mainWindow->Handle() != nullptr) {
    exitCode = RunMessageLoop();
  }
  int result = 0;
  try {
    result = ExitInstance();
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception during shut-down");
  }
  return started == kCommandLineError ? kCommandLineError : result;
}

}  // namespace luma::app
