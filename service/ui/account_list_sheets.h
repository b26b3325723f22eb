// The sheets the account list starts: the add-account and refresh-account wizards and the password
// change, each built for its account (or for every provider), and the certificate details. A sheet
// comes with what its pages share, which must live as long as the sheet.
#ifndef LUMA_SERVICE_UI_ACCOUNT_LIST_SHEETS_H_
#define LUMA_SERVICE_UI_ACCOUNT_LIST_SHEETS_H_

#include <windows.h>

#include <memory>

#include "policy/config/lumapassv_config.h"
#include "service/auth/auth_context.h"
#include "service/ui/main_frame_host.h"
#include "ui/core/account_sheet_plans.h"
#include "ui/framework/base_property_sheet.h"

namespace luma {
namespace ui {

struct CAccountSheet {
  std::unique_ptr<CBasePropertySheet> sheet;  // null: nothing to show
  std::shared_ptr<void> shared;               // the wizard data or authentication result of the pages
};

// The provider's sign-in method as the page plans take it.
accounts::SignInMethod SignInMethodOf(const CProviderContext& provider);

// The add-account wizard for the providers of the map, in wizard mode.
CAccountSheet MakeAddAccountWizard(HWND parent, const CProviderContextMap& contexts);
// The refresh-account wizard for the context's account, in wizard mode.
CAccountSheet MakeRefreshAccountWizard(HWND parent, const CAuthContext& context);
// The password change for the context's certificate: the check page, the login page of the
// provider's method, then the change page.
CAccountSheet MakePinChangeSheet(HWND parent, const CAuthContext& context);
// The certificate's details, modal on this thread.
void ShowCertificateDetails(HWND owner, const CCertificatePolicy& certificate, const CPolicy& policy,
                            const CLumaPassVConfig& settings);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ACCOUNT_LIST_SHEETS_H_
