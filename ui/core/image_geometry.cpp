#include "ui/core/image_geometry.h"

#include <algorithm>

namespace luma::ui {
namespace {

bool Positive(const CSizeI& size) { return size.width > 0 && size.height > 0; }

bool WithinBounds(const CSizeI& size) {
  return Positive(size) && size.width <= kMaxBitmapSide && size.height <= kMaxBitmapSide;
}

// (int)(a * b / c) in float, as the drawing code computes it; -1 when it is out of an int's range.
int ScaledLength(int a, int b, int c) {
  const float value = static_cast<float>(a) * static_cast<float>(b) / static_cast<float>(c);
  if (!(value >= 0.0f) || value > static_cast<float>(kMaxBitmapSide) * 2) return -1;
  return static_cast<int>(value);
}

}  // namespace

bool ScaledToWidth(const CSizeI& image, int width, CSizeI& out) {
  if (!Positive(image) || width <= 0) return false;
  out = {width, ScaledLength(width, image.height, image.width)};
  return WithinBounds(out);
}

bool ScaledToHeight(const CSizeI& image, int height, CSizeI& out) {
  if (!Positive(image) || height <= 0) return false;
  out = {ScaledLength(image.width, height, image.height), height};
  return WithinBounds(out);
}

bool FitPlacement(const CSizeI& image, const CSizeI& box, int xAlign, int yAlign, CFitPlacement& out) {
  if (!Positive(image) || !WithinBounds(box)) return false;
  const float scale = std::min(static_cast<float>(box.width) / static_cast<float>(image.width),
                               static_cast<float>(box.height) / static_cast<float>(image.height));
  out.drawn = {static_cast<int>(static_cast<float>(image.width) * scale),
               static_cast<int>(static_cast<float>(image.height) * scale)};
  // Float rounding never lets the picture spill over the rectangle.
  out.drawn.width = std::min(out.drawn.width, box.width);
  out.drawn.height = std::min(out.drawn.height, box.height);
  out.x = xAlign >= 0 ? (box.width - out.drawn.width) / 2 : 0;
  out.y = yAlign >= 0 ? (box.height - out.drawn.height) / 2 : 0;
  return true;
}

int SpinnerFrameCount(const CSizeI& strip) {
  if (!Positive(strip)) return 0;
  return strip.width / strip.height;
}

int SpinnerFrameX(unsigned counter, int frameCount, int frameWidth) {
  if (frameCount <= 0 || frameWidth <= 0) return -1;
  const long long x = static_cast<long long>(counter % static_cast<unsigned>(frameCount)) * frameWidth;
  return x <= 0x7FFFFFFF ? static_cast<int>(x) : -1;
}

}  // namespace luma::ui
