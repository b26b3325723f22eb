#include "service/ui/add_account_wizard.h"

#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

CAuthDialogPage::CAuthDialogPage(UINT templateId, const CAuthContext& context, UINT caption,
                                 const wchar_t* pageName)
    : CBasePropertyPage(templateId, caption), name(pageName), authContext(context) {}

BOOL CAuthDialogPage::OnInitDialog() {
  const BOOL result = CBasePropertyPage::OnInitDialog();
  SetDlgItemTextW(m_hWnd, IDC_ADD_WIZARD_TEXT, name.c_str());
  return result;
}

CAddWizCheckPage::CAddWizCheckPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"check") {}

CAddWizOTPPage::CAddWizOTPPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"OTP") {}

CAddWizBrowserPage::CAddWizBrowserPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"browser") {}

CAddWizFinishPage::CAddWizFinishPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"finish") {}

std::shared_ptr<CAuthDialogPage> MakeFirstAddPage(const CAddWizardDataPtr& data) {
  const std::shared_ptr<CAuthConfig> method = data->providerContext->config.GetAuthConfig();
  if (!method) return nullptr;
  if (!method->interactive) return std::make_shared<CAddWizCheckPage>(data);
  if (method->type == AUTH_TYPE_OTP) return std::make_shared<CAddWizOTPPage>(data);
  if (method->type == AUTH_TYPE_BROWSER) return std::make_shared<CAddWizBrowserPage>(data);
  return nullptr;
}

}  // namespace ui
}  // namespace luma
