// Windows that the program registers and creates itself (the hidden main window, the tray's helper):
// one window class per program and objects that receive their messages through a virtual message
// switch. The object is bound to its window at creation through the window's own data, so windows
// on any thread find their object without a table; no exception leaves the window procedure.
#ifndef LUMA_UI_FRAMEWORK_APP_WINDOW_H_
#define LUMA_UI_FRAMEWORK_APP_WINDOW_H_

#include <windows.h>

#include "ui/framework/window.h"

namespace luma::ui {

class CAppWindow : public CWnd {
 public:
  CAppWindow() = default;
  virtual ~CAppWindow();
  CAppWindow(const CAppWindow&) = delete;
  CAppWindow& operator=(const CAppWindow&) = delete;

  // Registers the program's window class when needed and creates the window; false (with the last
  // error) when it could not be created.
  bool Create(const wchar_t* title, DWORD style, DWORD extendedStyle = 0);
  // The same at `rect` (screen coordinates) and owned by `owner` (may be null).
  bool Create(const wchar_t* title, DWORD style, DWORD extendedStyle, HWND owner, const RECT& rect);
  // Destroys the window when it still exists.
  void Destroy();

  static constexpr const wchar_t* kClassName = L"lumaPassV.Window";

  // The module whose resources the windows use: the program file.
  static HINSTANCE ResourceModule() { return GetModuleHandleW(nullptr); }

 protected:
  // The message switch; the default passes everything to DefWindowProcW.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after WM_NCDESTROY, when the handle is no longer valid.
  virtual void OnFinalDestroy() {}

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static bool RegisterWindowClass();
};

}  // namespace luma::ui

#endif  // LUMA_UI_FRAMEWORK_APP_WINDOW_H_
