#include "ui/framework/nav_handling_edit.h"

#include <string>

#include "ui/framework/base_property_sheet.h"

namespace luma {
namespace ui {
namespace {

// The longest secret a field hands out; the fields limit their text far below this.
constexpr int kMaxSecretCharacters = 32767;

void PostCommand(HWND target, int id) { PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace

void WipeWindowText(HWND window) {
  if (window == nullptr) return;
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return;
  const std::wstring mask(static_cast<size_t>(length), L'#');
  SetWindowTextW(window, mask.c_str());
}

void GetWindowTextSecure(HWND window, CSecureBuffer& out, bool withTerminator) {
  int length = window != nullptr ? GetWindowTextLengthW(window) : 0;
  if (length < 0) length = 0;
  if (length > kMaxSecretCharacters) length = kMaxSecretCharacters;
  const DWORD bytes = (static_cast<DWORD>(length) + 1) * sizeof(wchar_t);
  CSecureBuffer block(bytes);  // zero-filled; wiped when it goes
  if (length > 0 && block.data != nullptr) {
    GetWindowTextW(window, reinterpret_cast<wchar_t*>(block.data), length + 1);
    reinterpret_cast<wchar_t*>(block.data)[length] = L'\0';
  }
  if (withTerminator) {
    out = std::move(block);
  } else {
    out = CSecureBuffer(static_cast<DWORD>(length) * sizeof(wchar_t), block.data);
  }
}

void CNavHandlingEdit::Clear() {
  if (m_hWnd == nullptr) return;
  WipeWindowText(m_hWnd);
  ::SetWindowTextW(m_hWnd, L"");
}

void CNavHandlingEdit::DestroyWindow() {
  if (m_hWnd == nullptr) return;
  Clear();
  ::DestroyWindow(m_hWnd);
}

LRESULT CNavHandlingEdit::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return Default(message, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      return OnKeyDown(wParam, lParam);
    case WM_CHAR:
      return OnChar(wParam, lParam);
    case WM_DESTROY:
      Clear();  // also when the page goes and takes the field with it
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

LRESULT CNavHandlingEdit::OnKeyDown(WPARAM key, LPARAM lParam) {
  HWND page = GetParent(m_hWnd);
  if (key == VK_TAB) {
    if (page != nullptr) PostMessageW(page, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
    return 0;
  }
  if (key != VK_RETURN || page == nullptr) return Default(WM_KEYDOWN, key, lParam);

  HWND next = GetNextDlgTabItem(page, m_hWnd, FALSE);
  if (next == m_hWnd) next = nullptr;  // the only tab stop
  if (next != nullptr) {
    const int nextId = ::GetDlgCtrlID(next);
    if (nextId == IDOK || nextId == kWizardNextId) {
      if (IsWindowEnabled(next)) {
        PostCommand(page, nextId);
        return 0;
      }
    } else if (nextId < ::GetDlgCtrlID(m_hWnd)) {
      // The tab order wrapped: this is the page's last field, so Enter presses the sheet's button.
      if (HWND sheet = GetParent(page)) {
        HWND ok = ::GetDlgItem(sheet, IDOK);
        HWND wizardNext = ::GetDlgItem(sheet, kWizardNextId);
        if (ok != nullptr) {
          if (IsWindowEnabled(ok)) {
            SetFocus(sheet);
            PostCommand(sheet, IDOK);
            return 0;
          }
        } else if (wizardNext != nullptr && IsWindowEnabled(wizardNext)) {
          SetFocus(sheet);
          PostCommand(sheet, kWizardNextId);
          return 0;
        }
      }
    }
  }
  if (GetWindowTextLengthW(m_hWnd) == 0) return Default(WM_KEYDOWN, key, lParam);
  PostMessageW(page, WM_NEXTDLGCTL, 0, 0);
  return 0;
}

LRESULT CNavHandlingEdit::OnChar(WPARAM character, LPARAM lParam) {
  if (character == L'\t' || character == L'\r' || character == L'\n') return 0;  // no beep, no character
  if (character == 0x1B) {
    HWND page = GetParent(m_hWnd);
    HWND holder = page;
    if (holder != nullptr && ::GetDlgItem(holder, IDCANCEL) == nullptr) holder = GetParent(holder);
    if (holder != nullptr && ::GetDlgItem(holder, IDCANCEL) != nullptr) PostCommand(holder, IDCANCEL);
    return 0;
  }
  return Default(WM_CHAR, character, lParam);
}

}  // namespace ui
}  // namespace luma
