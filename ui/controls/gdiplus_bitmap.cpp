#include "ui/controls/gdiplus_bitmap.h"

#include <cstring>

namespace luma {
namespace ui {
namespace {

// A bitmap of the input's pixel format, ready for high-quality drawing; null when it cannot be made.
std::unique_ptr<Gdiplus::Bitmap> NewBitmapLike(Gdiplus::Bitmap& image, const CSizeI& size) {
  Gdiplus::PixelFormat format = image.GetPixelFormat();
  // Indexed formats cannot be drawn into.
  if ((format & PixelFormatIndexed) != 0 || format == PixelFormatUndefined) format = PixelFormat32bppARGB;
  auto result = std::make_unique<Gdiplus::Bitmap>(size.width, size.height, format);
  if (result->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return result;
}

void HighQuality(Gdiplus::Graphics& graphics) {
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
}

}  // namespace

CGdiPlusBitmap::~CGdiPlusBitmap() { bitmap.reset(); }

void CGdiPlusBitmap::Reset(std::unique_ptr<Gdiplus::Bitmap> replacement) {
  Free();
  bitmap = std::move(replacement);
}

std::unique_ptr<Gdiplus::Bitmap> CGdiPlusBitmap::Release() { return std::move(bitmap); }

void CGdiPlusBitmap::Free() { bitmap.reset(); }

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() { Free(); }

void CGdiPlusBitmapResource::Free() {
  bitmap.reset();                            // before the bytes it reads
  if (stream != nullptr) stream->Release();  // frees its memory block too
  stream = nullptr;
}

bool CGdiPlusBitmapResource::Load(const wchar_t* name, const wchar_t*, HMODULE module) {
  Free();
  HRSRC resource = FindResourceW(module, name, L"PNG");
  if (resource == nullptr) return false;
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return false;
  return Load(static_cast<const BYTE*>(bytes), size);
}

bool CGdiPlusBitmapResource::Load(const BYTE* bytes, DWORD size) {
  Free();
  if (bytes == nullptr || size == 0 || size > kMaxImageBytes) return false;
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
  const CSizeI decoded = bitmap ? SizeOf(*bitmap) : CSizeI{};
  if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok || decoded.width <= 0 || decoded.height <= 0 ||
      decoded.width > kMaxBitmapSide || decoded.height > kMaxBitmapSide) {
    Free();
    return false;
  }
  return true;
}

CSizeI SizeOf(Gdiplus::Image& image) {
  const UINT width = image.GetWidth();
  const UINT height = image.GetHeight();
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return {};
  return {static_cast<int>(width), static_cast<int>(height)};
}

std::unique_ptr<Gdiplus::Bitmap> ScaleBitmapToWidth(Gdiplus::Bitmap& image, int width) {
  const CSizeI natural = SizeOf(image);
  CSizeI size;
  if (!ScaledToWidth(natural, width, size)) return nullptr;
  auto result = NewBitmapLike(image, size);
  if (!result) return nullptr;
  Gdiplus::Graphics graphics(result.get());
  graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
  HighQuality(graphics);
  graphics.ScaleTransform(static_cast<float>(size.width) / static_cast<float>(natural.width),
                          static_cast<float>(size.height) / static_cast<float>(natural.height));
  graphics.DrawImage(&image, 0, 0, natural.width, natural.height);
  return result;
}

std::unique_ptr<Gdiplus::Bitmap> ScaleBitmapToHeight(Gdiplus::Bitmap& image, int height) {
  CSizeI size;
  if (!ScaledToHeight(SizeOf(image), height, size)) return nullptr;
  auto result = NewBitmapLike(image, size);
  if (!result) return nullptr;
  Gdiplus::Graphics graphics(result.get());
  HighQuality(graphics);
  graphics.DrawImage(&image, 0, 0, size.width, size.height);
  return result;
}

std::unique_ptr<Gdiplus::Bitmap> FitBitmapToRect(Gdiplus::Bitmap& image, const RECT& rect,
                                                 int horizontalAlign, int verticalAlign,
                                                 bool whiteBackground) {
  const CSizeI box = {static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top)};
  CFitPlacement placement;
  if (!FitPlacement(SizeOf(image), box, horizontalAlign, verticalAlign, placement)) return nullptr;
  auto result = std::make_unique<Gdiplus::Bitmap>(box.width, box.height, PixelFormat32bppARGB);
  if (result->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(result.get());
  graphics.Clear(whiteBackground ? Gdiplus::Color(0xFFFFFFFF) : Gdiplus::Color(0x00000000));
  HighQuality(graphics);
  if (placement.drawn.width > 0 && placement.drawn.height > 0) {
    graphics.DrawImage(&image, placement.x, placement.y, placement.drawn.width, placement.drawn.height);
  }
  return result;
}

}  // namespace ui
}  // namespace luma
