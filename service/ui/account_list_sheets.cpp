#include "service/ui/account_list_sheets.h"

#include "foundation/win/system_utils.h"
#include "policy/core/auth_type.h"
#include "service/auth/auth_result.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/check_property_page.h"
#include "service/authdlg/otp_property_page.h"
#include "service/authdlg/pin_change_page.h"
#include "service/certviewer/certificate_viewer.h"
#include "service/weblogin/browser_property_page.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/refresh_account_wizard.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {

accounts::SignInMethod SignInMethodOf(const CProviderContext& provider) {
  const std::shared_ptr<CAuthConfig> method = provider.config.GetAuthConfig();
  if (!method) return {0, true, false};
  return {method->type, method->interactive, true};
}

CAccountSheet MakeAddAccountWizard(HWND parent, const CProviderContextMap& contexts) {
  CAddWizardDataPtr data;
  std::unique_ptr<CBasePropertySheet> sheet = MakeAddAccountSheet(parent, contexts, nullptr, data);
  if (sheet->GetPageCount() == 0) {
    ShowNoProviderMessage(parent);
    return {nullptr, nullptr};
  }
  return {std::move(sheet), data};
}

CAccountSheet MakeRefreshAccountWizard(HWND parent, const CAuthContext& context) {
  CRefreshWizardDataPtr data;
  std::unique_ptr<CBasePropertySheet> sheet =
      MakeRefreshAccountSheet(parent, context.GetProviderContext(), context.GetPolicy(), data);
  if (sheet->GetPageCount() == 0) return {nullptr, nullptr};
  return {std::move(sheet), data};
}

CAccountSheet MakePinChangeSheet(HWND parent, const CAuthContext& context) {
  auto result = std::make_shared<CAuthResult>();
  auto sheet = std::make_unique<CAuthenticationDialog>(parent, IDS_PIN_CHANGE_CAPTION);
  const accounts::PinChangePlan plan = accounts::PlanPinChange(SignInMethodOf(*context.GetProviderContext()));
  sheet->AddPage(std::make_shared<CCheckPropertyPage>(context, result.get(), true, false, plan.nextPages[0],
                                                      plan.nextPages[1], plan.nextPages[2],
                                                      plan.nextPages[3]));
  if (plan.login == accounts::LoginPage::kOneTimePassword) {
    sheet->AddPage(std::make_shared<COTPPropertyPage>(context, result.get()));
  } else if (plan.login == accounts::LoginPage::kBrowser) {
    sheet->AddPage(std::make_shared<CBrowserPropertyPage>(context, result.get()));
  }
  sheet->AddPage(std::make_shared<CPINChangePage>(context, result.get()));
  return {std::move(sheet), result};
}

void ShowCertificateDetails(HWND owner, const CCertificatePolicy& certificate, const CPolicy& policy,
                            const CLumaPassVConfig& settings) {
  ShowCertificateViewer(owner, &certificate, &policy, settings.ShowAccountTab, settings.ShowRestrictionsTab,
                        settings.AllowCryptUIOnlineLookups);
}

}  // namespace ui
}  // namespace luma
