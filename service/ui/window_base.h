// The little window plumbing the program's own windows share: one registered class whose window
// procedure finds the C++ object of its window and lets no exception out.
#ifndef LUMA_SERVICE_UI_WINDOW_BASE_H_
#define LUMA_SERVICE_UI_WINDOW_BASE_H_

#include <windows.h>

namespace luma {
namespace ui {

class CWindowBase {
 public:
  CWindowBase() = default;
  CWindowBase(const CWindowBase&) = delete;
  CWindowBase& operator=(const CWindowBase&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

 protected:
  virtual ~CWindowBase();
  // Creates the window of this object with the program's window class; null on failure (last error
  // set). The object must outlive its window.
  HWND CreateBase(const wchar_t* title, DWORD style, DWORD exStyle, HWND parent);
  // The window's messages; an exception counts as an unhandled message.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  // Called when the window is gone; the object no longer has a window.
  virtual void OnWindowGone() {}

  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The module whose resources the windows use: the program file.
HINSTANCE ResourceModule();

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_WINDOW_BASE_H_
