#include "ui/framework/window.h"

#include <vector>

namespace luma {
namespace ui {
namespace {

BOOL CALLBACK SetFontToChild(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

std::wstring WindowText(HWND window, int limit) {
  if (window == nullptr || limit <= 0) return std::wstring();
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  if (length > limit) length = limit;
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  return std::wstring(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void CWnd::EnableDlgItem(int id, BOOL enable) const {
  if (HWND control = GetDlgItem(id)) EnableWindow(control, enable);
}

std::wstring CWnd::Text() const { return WindowText(m_hWnd); }

void CWnd::SetText(const std::wstring& text) const {
  if (m_hWnd != nullptr) ::SetWindowTextW(m_hWnd, text.c_str());
}

void CWnd::SetFontToDescendants(HFONT font) const {
  if (m_hWnd == nullptr) return;
  SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(m_hWnd, &SetFontToChild, reinterpret_cast<LPARAM>(font));  // every level below
}

}  // namespace ui
}  // namespace luma
