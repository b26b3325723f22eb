// The modal sheet in which lumaPassV asks the user something on behalf of an account: one or more
// authentication pages, OK and Cancel, and left of them a countdown that cancels the dialog when
// nobody answers within three minutes. OK and Cancel stop the countdown for good.
#ifndef LUMA_SERVICE_AUTHDLG_AUTHENTICATION_DIALOG_H_
#define LUMA_SERVICE_AUTHDLG_AUTHENTICATION_DIALOG_H_

#include "ui/core/countdown.h"
#include "ui/framework/base_property_sheet.h"
#include "ui/framework/controls.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

// The countdown's text, on the button band's grey.
class CCountdown : public CStatic {
 public:
  CCountdown();
  bool Create(HWND parent, const RECT& area, HFONT font);
  // The text with redrawing switched off around it, so it does not flicker once a second.
  void Show(const std::wstring& text) const;
  void Destroy();
  HBRUSH Brush() const { return brush.get(); }

 private:
  CBrushHandle brush;
};

class CAuthenticationDialog : public CBasePropertySheet {
 public:
  static constexpr UINT_PTR kCountdownTimerId = 1;
  static constexpr UINT kCountdownControlId = 0xFFFF;

  CAuthenticationDialog(HWND parent, UINT captionId);
  ~CAuthenticationDialog() override;

  const CCountdown& Countdown() const { return countdown; }
  int SecondsLeft() const { return sequence.SecondsLeft(); }
  bool CountdownRunning() const { return timerId != 0; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void OnOK();
  virtual void OnCancel();
  virtual void OnTimer();
  virtual void OnDestroy();

 private:
  void StopCountdown();

  CButton okButton;
  CButton cancelButton;
  CCountdown countdown;
  UINT_PTR timerId = 0;
  CCountdownSequence sequence;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_AUTHENTICATION_DIALOG_H_
