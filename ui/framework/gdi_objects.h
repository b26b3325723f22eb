// Owners of the user-interface handle kinds: menus, windows, icons and GDI objects, and a scoped
// selection of a GDI object into a device context.
#ifndef LUMA_UI_FRAMEWORK_GDI_OBJECTS_H_
#define LUMA_UI_FRAMEWORK_GDI_OBJECTS_H_

#include "foundation/win/unique_handle.h"

namespace luma {
namespace ui {

inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
inline void DeleteBitmapHandle(HBITMAP bitmap) { DeleteObject(bitmap); }
inline void DeleteBrushHandle(HBRUSH brush) { DeleteObject(brush); }
inline void DeletePenHandle(HPEN pen) { DeleteObject(pen); }
inline void DeleteFontHandle(HFONT font) { DeleteObject(font); }
inline void DeleteDcHandle(HDC dc) { DeleteDC(dc); }

using CMenuHandle = CUniqueHandle<handle_traits::NullEmpty<HMENU, DestroyMenuHandle>>;
using CWindowHandle = CUniqueHandle<handle_traits::NullEmpty<HWND, DestroyWindowHandle>>;
// Icons loaded without LR_SHARED (LoadIconMetric, CreateIconIndirect).
using CIconHandle = CUniqueHandle<handle_traits::NullEmpty<HICON, DestroyIconHandle>>;
using CBitmapHandle = CUniqueHandle<handle_traits::NullEmpty<HBITMAP, DeleteBitmapHandle>>;
using CBrushHandle = CUniqueHandle<handle_traits::NullEmpty<HBRUSH, DeleteBrushHandle>>;
using CPenHandle = CUniqueHandle<handle_traits::NullEmpty<HPEN, DeletePenHandle>>;
using CFontHandle = CUniqueHandle<handle_traits::NullEmpty<HFONT, DeleteFontHandle>>;
// Memory device contexts (CreateCompatibleDC).
using CMemoryDcHandle = CUniqueHandle<handle_traits::NullEmpty<HDC, DeleteDcHandle>>;

// A window's device context from GetDC, released on scope exit.
class CWindowDc {
 public:
  explicit CWindowDc(HWND window) : owner(window), dc(GetDC(window)) {}
  ~CWindowDc() {
    if (dc != nullptr) ReleaseDC(owner, dc);
  }
  CWindowDc(const CWindowDc&) = delete;
  CWindowDc& operator=(const CWindowDc&) = delete;
  HDC get() const { return dc; }

 private:
  HWND owner;
  HDC dc;
};

// Selects an object into a device context and puts the previous one back on scope exit.
class CSelectObject {
 public:
  CSelectObject(HDC context, HGDIOBJ object) : dc(context), previous(SelectObject(context, object)) {}
  ~CSelectObject() {
    if (previous != nullptr && previous != HGDI_ERROR) SelectObject(dc, previous);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_GDI_OBJECTS_H_
