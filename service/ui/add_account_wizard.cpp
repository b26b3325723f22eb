#include "service/ui/add_account_wizard.h"

#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

CAddWizardStandInPage::CAddWizardStandInPage(UINT templateId, const CAuthContext& context, UINT caption,
                                             const wchar_t* pageName)
    : CAuthDialogPage(templateId, context, caption), name(pageName) {}

BOOL CAddWizardStandInPage::OnInitDialog() {
  const BOOL result = CAuthDialogPage::OnInitDialog();
  SetDlgItemTextW(m_hWnd, IDC_ADD_WIZARD_TEXT, name.c_str());
  return result;
}

CAddWizCheckPage::CAddWizCheckPage(const CAddWizardDataPtr& data)
    : CAddWizardStandInPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"check") {}

CAddWizOTPPage::CAddWizOTPPage(const CAddWizardDataPtr& data)
    : CAddWizardStandInPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"OTP") {}

CAddWizBrowserPage::CAddWizBrowserPage(const CAddWizardDataPtr& data)
    : CAddWizardStandInPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"browser") {}

CAddWizFinishPage::CAddWizFinishPage(const CAddWizardDataPtr& data)
    : CAddWizardStandInPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"finish") {}

std::shared_ptr<CAddWizardStandInPage> MakeFirstAddPage(const CAddWizardDataPtr& data) {
  const std::shared_ptr<CAuthConfig> method = data->providerContext->config.GetAuthConfig();
  if (!method) return nullptr;
  if (!method->interactive) return std::make_shared<CAddWizCheckPage>(data);
  if (method->type == AUTH_TYPE_OTP) return std::make_shared<CAddWizOTPPage>(data);
  if (method->type == AUTH_TYPE_BROWSER) return std::make_shared<CAddWizBrowserPage>(data);
  return nullptr;
}

}  // namespace ui
}  // namespace luma
