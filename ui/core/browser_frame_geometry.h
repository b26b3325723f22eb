// Where the login browser's frame window goes and what its progress bar shows, in plain integers.
#ifndef LUMA_UI_CORE_BROWSER_FRAME_GEOMETRY_H_
#define LUMA_UI_CORE_BROWSER_FRAME_GEOMETRY_H_

#include "ui/core/window_geometry.h"

namespace luma::ui {

struct CBrowserFrameSize {
  int cx = 70;      // in average character widths of the dialog font
  int cy = 50;      // in character heights
  int offsetX = 0;  // in character widths, added to the centred position
};

// The frame's rectangle: `size` in dialog base units (baseX × baseY pixels per character), centred
// over the owner's window (or the screen without one) and moved by offsetX. A frame past the
// screen's right edge is pulled back to end there; it never starts above or left of the screen.
CRectI BrowserFrameRect(const CBrowserFrameSize& size, int baseX, int baseY, const CRectI* owner,
                        int screenWidth, int screenHeight);

// The progress bar (range 0 to 100) for a progress event: hidden at 0 when the numbers say nothing,
// else shown at the percentage, at least 1.
struct CProgressState {
  bool visible = false;
  int position = 0;
};
CProgressState BrowserProgress(long long progress, long long progressMax);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_BROWSER_FRAME_GEOMETRY_H_
