// The arithmetic behind the window helpers: where a dialog goes on the screen, how a sheet splits
// into its page area and button band, how lengths scale with the display's DPI, and how long a page
// worker still has to wait. Plain integers, so that every rule is tested without a window.
#ifndef LUMA_UI_CORE_WINDOW_GEOMETRY_H_
#define LUMA_UI_CORE_WINDOW_GEOMETRY_H_

#include <cstdint>

namespace luma::ui {

struct CRectI {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const CRectI& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

struct CPointI {
  int x = 0;
  int y = 0;
  bool operator==(const CPointI& other) const { return x == other.x && y == other.y; }
};

// a * b / c rounded half away from zero, as the system's MulDiv: -1 when c is 0 or the result does not
// fit an int.
int MulDivRounded(int a, int b, int c);

// DPI percentages of a window: `current` from its last initialisation, `initial` from its first, and
// the mode in which ScaleByDpi uses them (0 none, 1 initial, other current).
struct CDpiScale {
  int current = 0;
  int initial = 0;
  int mode = 0;
};

// The percentage of 96 DPI that `logPixels` (LOGPIXELSX) stands for.
int DpiPercent(int logPixels);
// What a window's initialisation does: mode 1, current measured, initial kept from the first time.
void MeasureDpi(CDpiScale& dpi, int logPixels);
int ScaleByDpi(const CDpiScale& dpi, int value);
// The LOGFONT height of a `points` font in the window's scale (mode 0: the unscaled -points).
int ScaledFontHeight(const CDpiScale& dpi, int points);

// Edges of the taskbar, as the shell numbers them; -1 when it could not be asked.
constexpr int kEdgeUnknown = -1;
constexpr int kEdgeLeft = 0;
constexpr int kEdgeTop = 1;
constexpr int kEdgeRight = 2;
constexpr int kEdgeBottom = 3;

// The top-left corner of a window of `window`'s size centred on `desktop`, kept on a screen of the
// given size and never left of or above 0.
CPointI CenteredPosition(const CRectI& window, const CRectI& desktop, int screenWidth, int screenHeight);
// The screen edge the taskbar rectangle lies at.
int TaskbarEdge(const CRectI& taskbar, int screenWidth, int screenHeight);
// The corner beside the taskbar's end for a window of width x height; false for an unknown edge.
bool PositionNearTaskbar(int edge, const CRectI& taskbar, int width, int height, int margin, CPointI& out);

// A sheet's client area split at its buttons: the white page area above and the grey band, centred
// on the button, below. The button's top and bottom and the client area's bottom are in screen
// coordinates, the result in client coordinates.
struct CSheetLayout {
  CRectI page;
  CRectI band;
};
CSheetLayout SheetLayout(int clientWidth, int clientHeight, int buttonTop, int buttonBottom,
                         int clientBottomOnScreen);

// Milliseconds a worker that started at `startTick` must still sleep at `nowTick` to have lasted
// `minimumMs`: 0 once that time has passed or when it never started (startTick 0). Tick counts wrap.
std::uint32_t RemainingMinimumDuration(std::uint32_t startTick, std::uint32_t nowTick,
                                       std::uint32_t minimumMs);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_WINDOW_GEOMETRY_H_
