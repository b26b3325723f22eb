// The application object's frame: start-up, the message loop of the main thread while a main window
// exists, and shut-down. The program derives one object from it and runs it from its entry point.
#ifndef LUMA_SERVICE_APP_WIN_APP_H_
#define LUMA_SERVICE_APP_WIN_APP_H_

#include <windows.h>

#include "ui/framework/app_window.h"

namespace luma::app {

using ui::CAppWindow;

class CWinAppBase {
 public:
  // The result of InitInstance that stands for a command-line error: the program ends with it.
  static constexpr BOOL kCommandLineError = 255;

  CWinAppBase() = default;
  virtual ~CWinAppBase() = default;
  CWinAppBase(const CWinAppBase&) = delete;
  CWinAppBase& operator=(const CWinAppBase&) = delete;

  // TRUE: the program runs its message loop; FALSE: it ends at once; kCommandLineError: it ends
  // with that exit code. ExitInstance runs in every case.
  virtual BOOL InitInstance() { return TRUE; }
  // The exit code of the message loop (the WM_QUIT parameter), 0 when the loop did not run.
  virtual int ExitInstance() { return exitCode; }

  // InitInstance, the loop while there is a main window, ExitInstance; returns the process exit code.
  int Run();

  CAppWindow* MainWindow() const { return mainWindow; }

 protected:
  void SetMainWindow(CAppWindow* window) { mainWindow = window; }

 private:
  int RunMessageLoop();

  CAppWindow* mainWindow = nullptr;
  int exitCode = 0;
};

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_WIN_APP_H_
