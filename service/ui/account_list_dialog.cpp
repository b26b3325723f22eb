#include "service/ui/account_list_dialog.h"

#include <list>

#include "service/ui/main_frame.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

CAccountListDialog::CAccountListDialog(HWND parentWindow, const CProviderContextMap& providerContexts)
    : parent(parentWindow), contexts(providerContexts) {}

INT_PTR CAccountListDialog::DoModal() {
  const INT_PTR result =
      DialogBoxParamW(CAppWindow::ResourceModule(), MAKEINTRESOURCEW(IDD_ACCOUNT_LIST), parent,
                      &CAccountListDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

void CAccountListDialog::Refresh() {
  HWND list = GetDlgItem(m_hWnd, IDC_ACCOUNT_LIST);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& entry : contexts) {
    std::list<CPolicyPtr> policies;
    entry.second->GetPolicies(policies);
    for (const CPolicyPtr& policy : policies) {
      const std::wstring line = entry.first + L": " + policy->userFriendlyName;
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
  }
}

INT_PTR CALLBACK CAccountListDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* self = reinterpret_cast<CAccountListDialog*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      self->m_hWnd = dialog;
      self->Refresh();
      return TRUE;
    }
    auto* self = reinterpret_cast<CAccountListDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == CMainFrame::PolicyInformationUpdatedMessage()) {
      self->Refresh();
      return TRUE;
    }
    if (message == WM_CLOSE) {
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    }
  } catch (...) {
  }
  return FALSE;
}

}  // namespace ui
}  // namespace luma
