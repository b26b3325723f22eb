#include "service/ui/account_list_dialog.h"

#include <list>

#include "service/ui/main_frame.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

CAccountListDialog::CAccountListDialog(HWND parentWindow, const CProviderContextMap& providerContexts)
    : CDialog(IDD_ACCOUNT_LIST, CAppWindow::ResourceModule()),
      parent(parentWindow),
      contexts(providerContexts) {}

INT_PTR CAccountListDialog::DoModal(HWND owner) {
  return CDialog::DoModal(owner != nullptr ? owner : parent);
}

void CAccountListDialog::Refresh() {
  HWND list = GetDlgItem(IDC_ACCOUNT_LIST);
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

BOOL CAccountListDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  Refresh();
  return TRUE;
}

bool CAccountListDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == CMainFrame::PolicyInformationUpdatedMessage()) {
    Refresh();
    result = TRUE;
    return true;
  }
  if (message == WM_CLOSE) {
    EndDialog(IDCANCEL);
    result = TRUE;
    return true;
  }
  return CDialog::DialogProc(message, wParam, lParam, result);
}

}  // namespace ui
}  // namespace luma
