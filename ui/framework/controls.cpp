#include "ui/framework/controls.h"

#include "foundation/win/debug_log.h"

namespace luma {
namespace ui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4C50;  // one subclass of this layer per control

}  // namespace

bool CControl::Bind(HWND dialog, int id) {
  m_hWnd = dialog != nullptr ? ::GetDlgItem(dialog, id) : nullptr;
  return m_hWnd != nullptr;
}

HBITMAP CStatic::SetBitmap(HBITMAP bitmap) const {
  if (m_hWnd == nullptr) return nullptr;
  return reinterpret_cast<HBITMAP>(
      SendMessageW(m_hWnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

CSubclassedControl::~CSubclassedControl() { Unsubclass(); }

bool CSubclassedControl::SubclassDlgItem(HWND dialog, int id) {
  Unsubclass();
  if (!Bind(dialog, id)) return false;
  return Subclass(m_hWnd);
}

bool CSubclassedControl::Subclass(HWND control) {
  if (subclassed) Unsubclass();
  m_hWnd = control;
  if (control == nullptr) return false;
  subclassed =
      SetWindowSubclass(control, &StaticControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  return subclassed;
}

void CSubclassedControl::Unsubclass() {
  if (subclassed && m_hWnd != nullptr) RemoveWindowSubclass(m_hWnd, &StaticControlProc, kSubclassId);
  subclassed = false;
}

LRESULT CSubclassedControl::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::StaticControlProc(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam, UINT_PTR, DWORD_PTR object) {
  auto* self = reinterpret_cast<CSubclassedControl*>(object);
  LRESULT result = 0;
  try {
    result = self->ControlProc(message, wParam, lParam);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a control, message 0x%04x", message);
    result = DefSubclassProc(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &StaticControlProc, kSubclassId);
    self->subclassed = false;
    self->m_hWnd = nullptr;
  }
  return result;
}

}  // namespace ui
}  // namespace luma
