#include "service/authdlg/message_pages.h"

#include "service/authdlg/auth_resource_ids.h"

namespace luma {
namespace ui {

CConfirmPropertyPage::CConfirmPropertyPage(const CAuthContext& authContext, const std::wstring& text)
    : CAuthDialogPage(IDD_AUTH_CONFIRM, authContext, 0), message(text) {
  TitleFrom(context.providerContext->config.DialogTitlePassword);
}

BOOL CConfirmPropertyPage::OnSetActive() {
  CAuthDialogPage::OnSetActive();
  SetStatus(message.c_str(), true);
  SetModified(TRUE);
  EnableSheetButtons(TRUE);
  if (Sheet() != nullptr) Sheet()->FocusCancel();  // confirming takes a deliberate click
  return TRUE;
}

CErrorPropertyPage::CErrorPropertyPage(const CAuthContext& authContext, const std::wstring& text)
    : CAuthDialogPage(IDD_AUTH_ERROR, authContext, 0), message(text) {}

BOOL CErrorPropertyPage::OnSetActive() {
  CAuthDialogPage::OnSetActive();
  SetStatus(message.c_str(), true);
  EnableSheetButtons(FALSE);
  if (Sheet() != nullptr) Sheet()->FocusCancel();
  return TRUE;
}

}  // namespace ui
}  // namespace luma
