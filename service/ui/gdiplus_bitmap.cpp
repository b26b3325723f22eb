#include "service/ui/gdiplus_bitmap.h"

#include <algorithm>
#include <cstring>

namespace luma {
namespace ui {

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() { Release(); }

void CGdiPlusBitmapResource::Release() {
  bitmap.reset();
  if (stream != nullptr) stream->Release();  // frees its memory block too
  stream = nullptr;
}

bool CGdiPlusBitmapResource::Load(const wchar_t* name, const wchar_t* type, HMODULE module) {
  Release();
  HRSRC resource = FindResourceW(module, name, type);
  if (resource == nullptr) return false;
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return false;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (copy == nullptr) return false;
  void* target = GlobalLock(copy);
  if (target == nullptr) {
    GlobalFree(copy);
    return false;
  }
  std::memcpy(target, bytes, size);
  GlobalUnlock(copy);
  if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
    GlobalFree(copy);
    stream = nullptr;
    return false;
  }
  bitmap.reset(Gdiplus::Bitmap::FromStream(stream));
  if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) {
    Release();
    return false;
  }
  return true;
}

std::unique_ptr<Gdiplus::Bitmap> FitBitmapToRect(Gdiplus::Bitmap& image, const RECT& rect,
                                                 int horizontalAlign, int verticalAlign,
                                                 bool whiteBackground) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const UINT imageWidth = image.GetWidth();
  const UINT imageHeight = image.GetHeight();
  if (width <= 0 || height <= 0 || imageWidth == 0 || imageHeight == 0) return nullptr;
  auto result = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  if (result->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(result.get());
  if (whiteBackground) graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  const double scale =
      std::min(static_cast<double>(width) / imageWidth, static_cast<double>(height) / imageHeight);
  const int drawnWidth = static_cast<int>(imageWidth * scale);
  const int drawnHeight = static_cast<int>(imageHeight * scale);
  const int x = horizontalAlign >= 0 ? (width - drawnWidth) / 2 : 0;
  const int y = verticalAlign >= 0 ? (height - drawnHeight) / 2 : 0;
  if (graphics.DrawImage(&image, x, y, drawnWidth, drawnHeight) != Gdiplus::Ok) return nullptr;
  return result;
}

}  // namespace ui
}  // namespace luma
