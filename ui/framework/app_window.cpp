#include "ui/framework/app_window.h"

#include "foundation/win/debug_log.h"

namespace luma::ui {

CAppWindow::~CAppWindow() { Destroy(); }

bool CAppWindow::RegisterWindowClass() {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &CAppWindow::StaticWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CAppWindow::Create(const wchar_t* title, DWORD style, DWORD extendedStyle) {
  if (m_hWnd != nullptr) return true;
  if (!RegisterWindowClass()) return false;
  return CreateWindowExW(extendedStyle, kClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), this) != nullptr;
}

bool CAppWindow::Create(const wchar_t* title, DWORD style, DWORD extendedStyle, HWND owner,
                        const RECT& rect) {
  if (m_hWnd != nullptr) return true;
  if (!RegisterWindowClass()) return false;
  return CreateWindowExW(extendedStyle, kClassName, title, style, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, owner, nullptr, GetModuleHandleW(nullptr), this) != nullptr;
}

void CAppWindow::Destroy() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

LRESULT CAppWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CAppWindow::StaticWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CAppWindow*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<CAppWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->m_hWnd = handle;
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = self->WindowProc(message, wParam, lParam);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in the window procedure, message 0x%04x", message);
    result = DefWindowProcW(handle, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
    self->OnFinalDestroy();
  }
  return result;
}

}  // namespace luma::ui
