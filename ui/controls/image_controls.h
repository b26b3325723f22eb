// Three small picture controls of the pages, each a static control of the template: a picture fitted
// into its rectangle, the busy indicator, and a question-mark icon that explains itself in a balloon
// tooltip and may react to a click.
#ifndef LUMA_UI_CONTROLS_IMAGE_CONTROLS_H_
#define LUMA_UI_CONTROLS_IMAGE_CONTROLS_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <memory>
#include <string>

#include "ui/core/window_geometry.h"
#include "ui/framework/controls.h"
#include "ui/framework/gdi_objects.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma {
namespace ui {

// PNG resources of the controls.
constexpr UINT kPagePictureId = IDB_PAGE_PICTURE;
constexpr UINT kSpinnerStripId = IDB_SPINNER;
constexpr UINT kInfoIconId = IDB_INFO;

// The PNG fitted into the control at its top-left corner over white; an empty control when the
// picture does not load.
class CResizedBitmapControl : public CSubclassedControl {
 public:
  explicit CResizedBitmapControl(UINT resourceId = kPagePictureId) : resourceId(resourceId) {}
  bool Attach(HWND dialog, int id);
  bool HasPicture() const { return static_cast<bool>(picture); }

 private:
  UINT resourceId;
  CBitmapHandle picture;
};

// The busy indicator: a strip of square frames, one shown every 100 ms while it runs, white while it
// stands still. A strip that does not load leaves it white.
class CSpinnerControl : public CSubclassedControl {
 public:
  explicit CSpinnerControl(UINT resourceId = kSpinnerStripId);
  ~CSpinnerControl() override;
  bool Attach(HWND dialog, int id);
  // Starts from the first frame; nothing while it runs already.
  void Start();
  void Stop();
  bool Running() const { return timer != 0; }
  int FrameCount() const { return frameCount; }
  unsigned FrameCounter() const { return frameCounter; }
  // What WM_PAINT draws, into any device context.
  void PaintTo(HDC dc);

  static constexpr UINT_PTR kTimerId = 1;
  static constexpr UINT kFrameMs = 100;

 protected:
  LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  UINT resourceId;
  std::unique_ptr<Gdiplus::Bitmap> strip;
  RECT client = {};
  int frameCount = 0;
  unsigned frameCounter = 0;
  UINT_PTR timer = 0;
  CDpiScale scale;
};

// A question mark that shows `text` in a balloon tooltip; no icon and no tooltip for an empty text.
// The template's static needs SS_NOTIFY for clicks.
class CInfoToolTip : public CSubclassedControl {
 public:
  explicit CInfoToolTip(UINT resourceId = kInfoIconId) : resourceId(resourceId) {}
  ~CInfoToolTip() override;
  bool Attach(HWND dialog, int id);
  void SetText(const std::wstring& text);
  // The icon was clicked; nothing here.
  virtual void OnClicked() {}
  void DestroyWindow();

  bool HasIcon() const { return static_cast<bool>(icon); }
  HWND ToolTip() const { return toolTip.get(); }

 protected:
  LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  UINT resourceId;
  std::wstring text;
  CWindowHandle toolTip;
  std::unique_ptr<Gdiplus::Bitmap> icon;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_IMAGE_CONTROLS_H_
