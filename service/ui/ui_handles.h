// Owners of the user-interface handle kinds: menus, windows and GDI objects.
#ifndef LUMA_SERVICE_UI_UI_HANDLES_H_
#define LUMA_SERVICE_UI_UI_HANDLES_H_

#include "foundation/win/unique_handle.h"

namespace luma {
namespace ui {

inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }
inline void DeleteBitmapHandle(HBITMAP bitmap) { DeleteObject(bitmap); }
inline void DeleteBrushHandle(HBRUSH brush) { DeleteObject(brush); }

using CMenuHandle = CUniqueHandle<handle_traits::NullEmpty<HMENU, DestroyMenuHandle>>;
using CWindowHandle = CUniqueHandle<handle_traits::NullEmpty<HWND, DestroyWindowHandle>>;
using CBitmapHandle = CUniqueHandle<handle_traits::NullEmpty<HBITMAP, DeleteBitmapHandle>>;
using CBrushHandle = CUniqueHandle<handle_traits::NullEmpty<HBRUSH, DeleteBrushHandle>>;

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_UI_HANDLES_H_
