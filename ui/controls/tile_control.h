// The window of a tile: a static control of the page's template that paints its tile, takes the
// mouse only over the tile's links, shows the hand over an active link, and starts a link on a
// click or the space bar. The tile belongs to the page and outlives the control.
#ifndef LUMA_UI_CONTROLS_TILE_CONTROL_H_
#define LUMA_UI_CONTROLS_TILE_CONTROL_H_

#include "ui/controls/tiles.h"
#include "ui/framework/controls.h"

namespace luma {
namespace ui {

class CTileControl : public CSubclassedControl {
 public:
  explicit CTileControl(CTile* tile);

  // Takes over the dialog's control `id` and lays the tile out for it; false when there is none.
  bool Attach(HWND dialog, int id);
  // The page's state for the tile; repaints only when it changed.
  virtual void SetTileState(int state);

  const CTileInput& Input() const { return input; }
  const CDpiScale& Scale() const { return scale; }

 protected:
  LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Repaint(const std::vector<CRectI>& areas);
  void Click(int linkId);
  CPointI ClientPoint(LPARAM lParam, bool screen) const;

  CTile* tile;
  RECT client = {};
  CDpiScale scale;
  HCURSOR arrow;
  HCURSOR hand;
  CTileInput input;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_TILE_CONTROL_H_
