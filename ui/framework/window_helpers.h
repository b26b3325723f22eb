// Placement and foreground helpers of the dialogs, on the thread that owns the window: centring on
// the screen, the corner beside the taskbar's end, and bringing a dialog in front of the application
// whose request opened it.
#ifndef LUMA_UI_FRAMEWORK_WINDOW_HELPERS_H_
#define LUMA_UI_FRAMEWORK_WINDOW_HELPERS_H_

#include <windows.h>

#include "ui/core/window_geometry.h"

namespace luma {
namespace ui {

void CenterWindowOnScreen(HWND window);
// SetForegroundWindow with a synthetic Alt press around it (unless Alt is down); true when the window
// is the foreground window afterwards.
bool BringWindowToForeground(HWND window);
// SetForegroundWindow while attached to the foreground thread's input with the foreground lock
// time-out at 0; true only when that attachment was made and allowed any process the foreground.
bool ForceForegroundWindow(HWND window);
// The taskbar's edge (kEdgeLeft ...), its rectangle into `out` when given; kEdgeUnknown when the shell
// cannot say.
int GetTaskbarEdge(RECT* out);
bool MoveWindowNearTaskbar(HWND window, int margin);

inline CRectI ToRectI(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_WINDOW_HELPERS_H_
