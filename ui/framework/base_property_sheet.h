// The sheet every service dialog of lumaPassV is built on: no tabs, a white page area over a grey
// button band with a thin separator, the "Segoe UI" font scaled to the display, a caption from the
// string table, centred and brought to the foreground (a dialog opened by a background request must
// come up in front of the application that caused it). While a page's worker runs, the sheet is busy:
// OK, Next, Back and Finish are disabled, Cancel only when the page allows cancelling, the wait
// cursor shows, and the close box and Alt+F4 do nothing while Cancel is disabled.
#ifndef LUMA_UI_FRAMEWORK_BASE_PROPERTY_SHEET_H_
#define LUMA_UI_FRAMEWORK_BASE_PROPERTY_SHEET_H_

#include "ui/core/window_geometry.h"
#include "ui/framework/gdi_objects.h"
#include "ui/framework/property_sheet.h"

namespace luma {
namespace ui {

constexpr COLORREF kPageColour = RGB(255, 255, 255);
constexpr COLORREF kBandColour = RGB(240, 240, 240);
constexpr COLORREF kSeparatorColour = RGB(223, 223, 223);
constexpr const wchar_t* kDialogFontFace = L"Segoe UI";
constexpr int kDialogFontPoints = 9;

class CBasePropertySheet : public CPropertySheet {
 public:
  // The third argument is not used.
  CBasePropertySheet(HWND parent, UINT captionId, int unused = 0);
  ~CBasePropertySheet() override;

  using CPropertySheet::EndDialog;
  // "WM_USER_END_DIALOG": ends the modal loop with `result`; returns 1.
  virtual LRESULT EndDialog(WPARAM result, LPARAM);
  virtual void EnableOK(BOOL enable);
  virtual void EnableCancel(BOOL enable);
  virtual void EnableNext(BOOL enable);
  virtual void EnableBack(BOOL enable);
  virtual void EnableFinish(BOOL enable);
  // Focuses Cancel and makes it the default button.
  virtual void FocusCancel();
  virtual void SetBusy(bool cancellable);
  virtual void SetIdle();
  // Activates the next page; false on the last one.
  virtual bool NextPage();
  // Activates the first page made from the template (posted or at once); false when none is.
  virtual bool SetActivePageById(UINT templateId, bool post);
  // The only way for a page to end the dialog from a completion handler: posts "WM_USER_END_DIALOG".
  virtual void PostEndDialog(int result);
  virtual const RECT* GetPageRect() const { return &pageRect; }
  virtual UINT GetCaptionId() const { return CaptionId(); }

  INT_PTR DoModal() override;
  BOOL DestroyWindow() override;

  bool IsBusy() const { return busy; }
  const CDpiScale& Dpi() const { return dpi; }
  HFONT Font() const { return font.get(); }
  const RECT& BandRect() const { return bandRect; }
  HWND PreviousForeground() const { return previousForeground; }

 protected:
  void PreSubclassWindow() override;
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void EnableButton(int id, BOOL enable) const;
  void LayOutBand();
  void Paint(HDC dc) const;

  UINT iconId = 1;
  CBrushHandle pageBrush;
  CBrushHandle bandBrush;
  CPenHandle separatorPen;
  HCURSOR arrowCursor;
  HCURSOR waitCursor;
  bool busy = false;
  HWND previousForeground = nullptr;
  RECT pageRect = {};
  RECT bandRect = {};
  CFontHandle font;
  CDpiScale dpi;
  CIconHandle smallIcon;
  CIconHandle largeIcon;
};

// The font of the sheet and its pages in the window's DPI scale.
CFontHandle CreateDialogFont(const CDpiScale& dpi);
// The DPI of a window's device context, as MeasureDpi takes it.
void MeasureWindowDpi(HWND window, CDpiScale& dpi);
// The program's icon `id` at the small or large system metric (comctl32's LoadIconMetric where
// present); the caller owns it.
HICON LoadIconAtMetric(UINT id, bool small);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_BASE_PROPERTY_SHEET_H_
