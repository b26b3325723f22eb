#include "service/ui/window_base.h"

namespace luma {
namespace ui {
namespace {

constexpr const wchar_t* kClassName = L"lumaPassV Window";

ATOM RegisterOnce(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ResourceModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
  }();
  return atom;
}

}  // namespace

HINSTANCE ResourceModule() { return GetModuleHandleW(nullptr); }

CWindowBase::~CWindowBase() {
  if (m_hWnd != nullptr) {
    HWND window = m_hWnd;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // no more calls into this object
    m_hWnd = nullptr;
    DestroyWindow(window);
  }
}

HWND CWindowBase::CreateBase(const wchar_t* title, DWORD style, DWORD exStyle, HWND parent) {
  if (RegisterOnce(&CWindowBase::Procedure) == 0) return nullptr;
  return CreateWindowExW(exStyle, kClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, parent, nullptr, ResourceModule(), this);
}

LRESULT CWindowBase::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* object = static_cast<CWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    object->m_hWnd = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  }
  auto* object = reinterpret_cast<CWindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (object == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = object->WindowProc(message, wParam, lParam);
  } catch (...) {
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    object->m_hWnd = nullptr;
    object->OnWindowGone();
  }
  return result;
}

}  // namespace ui
}  // namespace luma
