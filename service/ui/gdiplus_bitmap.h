// The two picture helpers the About box needs: a PNG resource held as a GDI+ bitmap, and an image
// scaled into a rectangle with its aspect kept.
#ifndef LUMA_SERVICE_UI_GDIPLUS_BITMAP_H_
#define LUMA_SERVICE_UI_GDIPLUS_BITMAP_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <memory>

namespace luma {
namespace ui {

class CGdiPlusBitmapResource {
 public:
  CGdiPlusBitmapResource() = default;
  CGdiPlusBitmapResource(const CGdiPlusBitmapResource&) = delete;
  CGdiPlusBitmapResource& operator=(const CGdiPlusBitmapResource&) = delete;
  ~CGdiPlusBitmapResource();

  // False, with nothing held, on any failure.
  bool Load(const wchar_t* name, const wchar_t* type, HMODULE module);
  Gdiplus::Bitmap* Get() const { return bitmap.get(); }

 private:
  void Release();

  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  IStream* stream = nullptr;  // the bitmap reads from it for its whole life
};

// A new bitmap of the rectangle's size with the image scaled by the smaller of the two ratios,
// centred on each axis whose alignment is 0 or more and placed at the start of an axis with a
// negative one, over white when asked; null on failure.
std::unique_ptr<Gdiplus::Bitmap> FitBitmapToRect(Gdiplus::Bitmap& image, const RECT& rect,
                                                 int horizontalAlign, int verticalAlign,
                                                 bool whiteBackground);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_GDIPLUS_BITMAP_H_
