// The program's pictures: PNG images held as GDI+ bitmaps (from the program's "PNG" resources or
// from bytes such as a provider's logo), and the three ways every picture is scaled. GDI+ must have
// been started.
#ifndef LUMA_UI_CONTROLS_GDIPLUS_BITMAP_H_
#define LUMA_UI_CONTROLS_GDIPLUS_BITMAP_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <memory>

#include "ui/core/image_geometry.h"

namespace luma {
namespace ui {

// Owns one bitmap, or none.
class CGdiPlusBitmap {
 public:
  CGdiPlusBitmap() = default;
  CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
  CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;
  virtual ~CGdiPlusBitmap();

  Gdiplus::Bitmap* Get() const { return bitmap.get(); }
  // Takes over a bitmap the caller made; the previous one is released.
  void Reset(std::unique_ptr<Gdiplus::Bitmap> replacement);
  std::unique_ptr<Gdiplus::Bitmap> Release();

 protected:
  virtual void Free();

  std::unique_ptr<Gdiplus::Bitmap> bitmap;
};

// A PNG image decoded from a copy of its bytes; GDI+ reads that copy for the bitmap's whole life.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
 public:
  ~CGdiPlusBitmapResource() override;

  // Resource `name` of type "PNG" of `module` (the type argument is ignored: pictures are always
  // "PNG" resources). False, with nothing held, when it is missing, empty or not an image.
  bool Load(const wchar_t* name, const wchar_t* type, HMODULE module);
  bool Load(UINT resourceId, HMODULE module) { return Load(MAKEINTRESOURCEW(resourceId), L"PNG", module); }
  // The same from bytes that came from outside (a policy's logo): refused above kMaxImageBytes or
  // when the decoded image is larger than kMaxBitmapSide on a side.
  bool Load(const BYTE* bytes, DWORD size);

  static constexpr DWORD kMaxImageBytes = 4u << 20;

 protected:
  void Free() override;

 private:
  IStream* stream = nullptr;  // owns the memory block the bitmap reads
};

CSizeI SizeOf(Gdiplus::Image& image);

// A new bitmap `width` wide, its height following the aspect, over opaque white.
std::unique_ptr<Gdiplus::Bitmap> ScaleBitmapToWidth(Gdiplus::Bitmap& image, int width);
// A new bitmap `height` high, its width following the aspect; transparent pixels stay transparent.
std::unique_ptr<Gdiplus::Bitmap> ScaleBitmapToHeight(Gdiplus::Bitmap& image, int height);
// A new bitmap of the rectangle's size with the image scaled by the smaller of the two ratios,
// centred on each axis whose alignment is 0 or more and placed at the start of an axis with a
// negative one, over white when asked (else transparent).
std::unique_ptr<Gdiplus::Bitmap> FitBitmapToRect(Gdiplus::Bitmap& image, const RECT& rect,
                                                 int horizontalAlign, int verticalAlign,
                                                 bool whiteBackground);
// Each returns null when the size is refused or no bitmap could be made; the input is never changed.

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_GDIPLUS_BITMAP_H_
