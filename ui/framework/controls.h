// Controls of a dialog template as members of their page or dialog. Binding looks the control up by
// its id; a template without it leaves the member without a window, and every operation on such a
// member does nothing, so a page works with any template that holds a subset of its controls.
// A subclassed control receives its messages through a virtual switch; the object rides in the
// subclass's own reference data, so no table maps windows to objects.
#ifndef LUMA_UI_FRAMEWORK_CONTROLS_H_
#define LUMA_UI_FRAMEWORK_CONTROLS_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "ui/framework/window.h"

namespace luma {
namespace ui {

class CControl : public CWnd {
 public:
  // Names the dialog's control `id`; false (and no window) when the dialog has none.
  bool Bind(HWND dialog, int id);
  void Enable(BOOL enable) const {
    if (m_hWnd != nullptr) EnableWindow(m_hWnd, enable);
  }
  bool IsEnabled() const { return m_hWnd != nullptr && IsWindowEnabled(m_hWnd) != FALSE; }
  int GetDlgCtrlID() const { return m_hWnd != nullptr ? ::GetDlgCtrlID(m_hWnd) : 0; }
};

class CButton : public CControl {};
class CStatic : public CControl {
 public:
  // STM_SETIMAGE with a bitmap; returns the previous one.
  HBITMAP SetBitmap(HBITMAP bitmap) const;
};
class CEdit : public CControl {};

// A control whose messages pass through ControlProc first.
class CSubclassedControl : public CControl {
 public:
  ~CSubclassedControl() override;
  // Binds and subclasses the dialog's control `id`; false when the dialog has none.
  bool SubclassDlgItem(HWND dialog, int id);
  // Subclasses a window this object already names (for a control created in code).
  bool Subclass(HWND control);
  void Unsubclass();

 protected:
  // The message switch; the default is the control's own handling.
  virtual LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_hWnd, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK StaticControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR object);
  bool subclassed = false;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_CONTROLS_H_
