// The window layer of lumaPassV over plain Win32: one window class per program and window objects
// that receive their messages through a virtual message switch. The object and its window are bound
// at creation; no exception leaves the window procedure.
#ifndef LUMA_SERVICE_UI_APP_WINDOW_H_
#define LUMA_SERVICE_UI_APP_WINDOW_H_

#include <windows.h>

namespace luma::ui {

class CAppWindow {
 public:
  CAppWindow() = default;
  virtual ~CAppWindow();
  CAppWindow(const CAppWindow&) = delete;
  CAppWindow& operator=(const CAppWindow&) = delete;

  // Registers the program's window class when needed and creates the window; false (with the last
  // error) when it could not be created.
  bool Create(const wchar_t* title, DWORD style, DWORD extendedStyle = 0);
  // Destroys the window when it still exists.
  void Destroy();
  HWND Handle() const { return window; }

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

  HWND window = nullptr;
};

}  // namespace luma::ui

#endif  // LUMA_SERVICE_UI_APP_WINDOW_H_
