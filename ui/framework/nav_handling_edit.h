// The entry field for passwords, PINs and one-time passwords. It wants every key, so that Enter and
// Tab move through the page, Enter on the last field presses OK or Next and Esc presses Cancel. Its
// text is overwritten with '#' before the field is emptied or destroyed, and a secret is read out of
// it straight into a CSecureBuffer.
#ifndef LUMA_UI_FRAMEWORK_NAV_HANDLING_EDIT_H_
#define LUMA_UI_FRAMEWORK_NAV_HANDLING_EDIT_H_

#include "foundation/core/secure_buffer.h"
#include "ui/framework/controls.h"

namespace luma {
namespace ui {

class CNavHandlingEdit : public CSubclassedControl {
 public:
  // Overwrites and empties the text, then destroys the field.
  void DestroyWindow();
  // Overwrites and empties the text (the field stays).
  void Clear();

 protected:
  LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnKeyDown(WPARAM key, LPARAM lParam);
  LRESULT OnChar(WPARAM character, LPARAM lParam);
};

// Sets as many '#' as the window's text has characters (nothing for an empty text).
void WipeWindowText(HWND window);
// The window's UTF-16 text, with or without its two-byte terminator; no copy of it is left behind
// unwiped.
void GetWindowTextSecure(HWND window, CSecureBuffer& out, bool withTerminator);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_NAV_HANDLING_EDIT_H_
