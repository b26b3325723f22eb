#include "ui/core/browser_frame_geometry.h"

namespace luma::ui {

CRectI BrowserFrameRect(const CBrowserFrameSize& size, int baseX, int baseY, const CRectI* owner,
                        int screenWidth, int screenHeight) {
  const long long width = static_cast<long long>(size.cx) * baseX;
  const long long height = static_cast<long long>(size.cy) * baseY;
  long long x = 0;
  long long y = 0;
  if (owner == nullptr) {
    x = (screenWidth - width) / 2;
    y = (screenHeight - height) / 2;
  } else {
    x = owner->left + owner->Width() / 2 - width / 2 + static_cast<long long>(size.offsetX) * baseX;
    y = owner->top + owner->Height() / 2 - height / 2;
  }
  if (x + width > screenWidth) x = screenWidth - width;
  if (y < 0) y = 0;
  if (x < 0) x = 0;
  auto clamp = [](long long value) {
    return static_cast<int>(value > 0x3FFFFFFF ? 0x3FFFFFFF : (value < -0x3FFFFFFF ? -0x3FFFFFFF : value));
  };
  CRectI rect;
  rect.left = clamp(x);
  rect.top = clamp(y);
  rect.right = clamp(x + width);
  rect.bottom = clamp(y + height);
  return rect;
}

CProgressState BrowserProgress(long long progress, long long progressMax) {
  CProgressState state;
  if (progress < 0 || progressMax <= 0) return state;
  long long position = progress * 100 / progressMax;
  if (position < 1) position = 1;
  if (position > 100) position = 100;
  state.visible = true;
  state.position = static_cast<int>(position);
  return state;
}

}  // namespace luma::ui
