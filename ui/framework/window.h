// The base of every window object of lumaPassV: a window handle and the few operations the dialogs
// use on it. A CWnd never destroys the window it names; the classes that create windows do.
#ifndef LUMA_UI_FRAMEWORK_WINDOW_H_
#define LUMA_UI_FRAMEWORK_WINDOW_H_

#include <windows.h>

#include <string>

namespace luma {
namespace ui {

class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND window) : m_hWnd(window) {}
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND Handle() const { return m_hWnd; }
  bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd) != FALSE; }

  // Names an existing window without taking it over; Detach gives the name up.
  void Attach(HWND window) { m_hWnd = window; }
  HWND Detach() {
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
  }

  // The child control `id`, or null when this window has none.
  HWND GetDlgItem(int id) const { return m_hWnd != nullptr ? ::GetDlgItem(m_hWnd, id) : nullptr; }
  // Enables or disables the child control `id` when it exists.
  void EnableDlgItem(int id, BOOL enable) const;
  std::wstring Text() const;
  void SetText(const std::wstring& text) const;
  // WM_SETFONT to this window and every window below it, without redrawing.
  void SetFontToDescendants(HFONT font) const;

 protected:
  HWND m_hWnd = nullptr;
};

// Text of any window, at most `limit` characters.
std::wstring WindowText(HWND window, int limit = 4096);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_WINDOW_H_
