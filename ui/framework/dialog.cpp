#include "ui/framework/dialog.h"

#include "foundation/win/debug_log.h"

namespace luma {
namespace ui {

INT_PTR DialogProcAnswer(HWND dialog, UINT message, bool handled, INT_PTR result) {
  if (!handled) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return result;  // these answers are the procedure's return value
    default:
      if (IsWindow(dialog)) SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

CDialog::CDialog(UINT id, HINSTANCE resourceModule)
    : templateId(id), module(resourceModule != nullptr ? resourceModule : GetModuleHandleW(nullptr)) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr && !modal) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND parent) {
  modal = true;
  const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), parent,
                                         &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  modal = false;
  m_hWnd = nullptr;
  return result;
}

bool CDialog::Create(HWND parent) {
  if (m_hWnd != nullptr) return true;
  modal = false;
  return CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, &CDialog::StaticDialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::DestroyWindow() {
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

bool CDialog::OnCommand(UINT id, UINT, HWND) {
  switch (id) {
    case IDOK:
      OnOK();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return false;
  }
}

bool CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_COMMAND:
      result = 0;
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    default:
      return false;
  }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<CDialog*>(lParam)->m_hWnd = dialog;
  }
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;
  INT_PTR result = 0;
  bool handled = false;
  try {
    handled = self->DialogProc(message, wParam, lParam, result);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a dialog, message 0x%04x", message);
    handled = false;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    self->m_hWnd = nullptr;
    self->OnFinalDestroy();
  }
  return DialogProcAnswer(dialog, message, handled, result);
}

}  // namespace ui
}  // namespace luma
