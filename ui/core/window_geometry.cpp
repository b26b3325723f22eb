#include "ui/core/window_geometry.h"

#include <climits>
#include <cstdlib>

namespace luma::ui {

int MulDivRounded(int a, int b, int c) {
  if (c == 0) return -1;
  const long long product = static_cast<long long>(a) * b;
  const long long magnitude = (std::llabs(product) + std::llabs(static_cast<long long>(c)) / 2) /
                              std::llabs(static_cast<long long>(c));
  const long long result = ((product < 0) != (c < 0)) ? -magnitude : magnitude;
  if (result > INT_MAX || result < INT_MIN) return -1;
  return static_cast<int>(result);
}

int DpiPercent(int logPixels) { return MulDivRounded(logPixels, 100, 96); }

void MeasureDpi(CDpiScale& dpi, int logPixels) {
  dpi.mode = 1;
  dpi.current = DpiPercent(logPixels);
  if (dpi.initial == 0) dpi.initial = dpi.current;
}

int ScaleByDpi(const CDpiScale& dpi, int value) {
  if (dpi.mode == 0) return value;
  return MulDivRounded(value, dpi.mode == 1 ? dpi.initial : dpi.current, 100);
}

int ScaledFontHeight(const CDpiScale& dpi, int points) {
  if (dpi.mode == 0) return -points;
  const int percent = dpi.mode == 1 ? dpi.initial : dpi.current;
  return MulDivRounded(-points, MulDivRounded(percent, 96, 72), 100);
}

CPointI CenteredPosition(const CRectI& window, const CRectI& desktop, int screenWidth, int screenHeight) {
  const int width = window.Width();
  const int height = window.Height();
  CPointI at;
  at.x = desktop.left + (desktop.Width() - width) / 2;
  at.y = desktop.top + (desktop.Height() - height) / 2;
  if (at.x < 0) at.x = 0;
  if (at.y < 0) at.y = 0;
  if (at.x + width > screenWidth) at.x = screenWidth - width;
  if (at.y + height > screenHeight) at.y = screenHeight - height;
  return at;
}

int TaskbarEdge(const CRectI& taskbar, int screenWidth, int screenHeight) {
  const int halfWidth = screenWidth / 2;
  const int halfHeight = screenHeight / 2;
  if (taskbar.left < halfWidth && taskbar.top > halfHeight) return kEdgeBottom;
  if (taskbar.left > halfWidth && taskbar.top < halfHeight) return kEdgeRight;
  if (taskbar.left < halfWidth && taskbar.top < halfHeight && taskbar.right < halfWidth) return kEdgeLeft;
  return kEdgeTop;
}

bool PositionNearTaskbar(int edge, const CRectI& taskbar, int width, int height, int margin, CPointI& out) {
  switch (edge) {
    case kEdgeLeft:
      out = {taskbar.right + margin, taskbar.bottom - height - margin};
      return true;
    case kEdgeTop:
      out = {taskbar.right - width - margin, taskbar.bottom + margin};
      return true;
    case kEdgeRight:
      out = {taskbar.left - width - margin, taskbar.bottom - height - margin};
      return true;
    case kEdgeBottom:
      out = {taskbar.right - width - margin, taskbar.top - height - margin};
      return true;
    default:
      return false;
  }
}

CSheetLayout SheetLayout(int clientWidth, int clientHeight, int buttonTop, int buttonBottom,
                         int clientBottomOnScreen) {
  // The band's top lies as far above the button as its bottom lies above the client area's bottom.
  const int bandTop = clientHeight + buttonBottom + buttonTop - 2 * clientBottomOnScreen;
  CSheetLayout layout;
  layout.page = {0, 0, clientWidth, bandTop};
  layout.band = {0, bandTop, clientWidth, clientHeight};
  return layout;
}

std::uint32_t RemainingMinimumDuration(std::uint32_t startTick, std::uint32_t nowTick,
                                       std::uint32_t minimumMs) {
  if (startTick == 0) return 0;
  const std::uint32_t elapsed = nowTick - startTick;  // unsigned: right across the wrap
  return elapsed < minimumMs ? minimumMs - elapsed : 0;
}

}  // namespace luma::ui
