// What a tile is without its window: where its texts, link and pictograms go, which of its hot links
// the mouse is over or the keyboard is on, and which state it draws. The window classes feed this
// model their messages and paint what it says.
#ifndef LUMA_UI_CORE_TILE_MODEL_H_
#define LUMA_UI_CORE_TILE_MODEL_H_

#include <vector>

#include "ui/core/image_geometry.h"
#include "ui/core/tile_theme.h"
#include "ui/core/window_geometry.h"

namespace luma::ui {

struct CRectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  bool operator==(const CRectF& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};

// The pixel size of a `points` font in the tile's scale (mode 0: the points as pixels).
int TileFontPixels(const CDpiScale& scale, int points);
// A text or image rectangle grown by 2 pixels on every side, in whole pixels that cover it.
CRectI HotAreaAround(const CRectF& rect);

// What the layout needs measured: the tile's client size and scale, the link text's size (none when
// `hasLink` is false) and the natural size of each pictogram, in row order.
struct CTileMetrics {
  int width = 0;
  int height = 0;
  CDpiScale scale;
  bool hasLink = false;
  float linkWidth = 0;
  float linkHeight = 0;
  std::vector<CSizeI> pictograms;
};

struct CTileLayout {
  CRectF title;
  CRectF secondLine;
  CRectF link;                     // bottom right
  CRectI linkArea;                 // empty without a link
  std::vector<CRectF> pictograms;  // a row along the bottom from the left
  std::vector<CRectI> pictogramAreas;
};
CTileLayout LayoutTile(const CTileMetrics& metrics);

// The pictogram and tooltip text of each certificate-type flag that is set, in flag order (the two
// advanced-signature kinds share one picture).
struct CPictogramRef {
  int resourceId = 0;
  int tooltipId = 0;
};
constexpr int kCertificateTypeFlags = 6;
std::vector<CPictogramRef> PictogramsForTypes(const bool (&flags)[kCertificateTypeFlags]);

// The drawn state (what paints) and the remembered one (what the page set last): disabling draws
// DISABLED and keeps the remembered state for enabling again. States outside 0..3 are refused.
class CTileStates {
 public:
  // Both states become `state`; false for an unknown state.
  bool SetState(int state);
  void Enable(bool enable);
  int Drawn() const { return drawn; }
  int Remembered() const { return remembered; }
  bool Enabled() const { return enabled; }
  // Tooltips speak unless the tile draws DISABLED.
  bool ToolTipsActive() const { return drawn != kTileDisabled; }

 private:
  int drawn = kTileActive;
  int remembered = kTileActive;
  bool enabled = true;
};

// One hot link as the mouse and keyboard see it; only enabled links react.
struct CHotLinkState {
  int id = 0;
  bool enabled = false;
  CRectI area;
  bool focused = false;
  bool hot = false;  // the mouse is over it
  bool Underlined() const { return focused || hot; }
};
using CHotLinkList = std::vector<CHotLinkState*>;

// The tile control's mouse and keyboard state over the tile's links (in list order). Each operation
// adds the areas to repaint to `repaint`; those that start a link's action return its id (0: none).
class CTileInput {
 public:
  // The hit test: true when the point lies on a link (the control takes mouse input only there).
  bool HitTest(CHotLinkList& links, CPointI point, std::vector<CRectI>& repaint);
  void MouseLeave(CHotLinkList& links, std::vector<CRectI>& repaint);
  // The hand cursor only over an enabled link of an enabled control.
  bool ShowsHand(bool onLink) const { return onLink && enabled && hovered != 0; }
  int ButtonUp(const CHotLinkList& links, CPointI point);
  // The space bar: the focused link's action on an enabled control.
  int SpaceUp() const { return enabled ? focused : 0; }
  void SetFocus(CHotLinkList& links, std::vector<CRectI>& repaint);
  void KillFocus(CHotLinkList& links, std::vector<CRectI>& repaint);
  void Enable(bool enable) { enabled = enable; }

  int Hovered() const { return hovered; }
  int Focused() const { return focused; }
  bool HasFocus() const { return hasFocus; }
  bool tracking = false;  // the control asked for WM_MOUSELEAVE

 private:
  int hovered = 0;
  int focused = 0;
  bool hasFocus = false;
  bool enabled = true;
};

bool Contains(const CRectI& rect, CPointI point);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_TILE_MODEL_H_
