#include "service/ui/account_list_sheets.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <cryptuiapi.h>
// clang-format on

#include "foundation/win/system_utils.h"
#include "policy/core/auth_type.h"
#include "service/auth/auth_result.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/check_property_page.h"
#include "service/authdlg/otp_property_page.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/refresh_account_wizard.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

// Shows only: no editing, no adding to a store, no complaint about an untrusted root, no help, and
// revocation answered from the cache unless online lookups are allowed.
DWORD ViewerFlags(bool onlineLookups) {
  DWORD flags = CRYPTUI_DISABLE_EDITPROPERTIES | CRYPTUI_DISABLE_ADDTOSTORE | CRYPTUI_IGNORE_UNTRUSTED_ROOT |
                0x00010000 /* no HTML help */;
  if (!onlineLookups) flags |= 0x00040000; /* cache-only URL retrieval */
  return flags;
}

using ViewCertificateFunction = BOOL(WINAPI*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW, BOOL*);

class CLibrary {
 public:
  explicit CLibrary(const wchar_t* name) : module(LoadLibraryW(name)) {}
  ~CLibrary() {
    if (module != nullptr) FreeLibrary(module);
  }
  CLibrary(const CLibrary&) = delete;
  CLibrary& operator=(const CLibrary&) = delete;
  HMODULE get() const { return module; }

 private:
  HMODULE module;
};

}  // namespace

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
  auto sheet = std::make_unique<CAuthenticationDialog>(parent, IDS_CHANGE_PIN_CAPTION);
  const accounts::PinChangePlan plan = accounts::PlanPinChange(SignInMethodOf(*context.GetProviderContext()));
  sheet->AddPage(std::make_shared<CCheckPropertyPage>(context, result.get(), true, false, plan.nextPages[0],
                                                      plan.nextPages[1], plan.nextPages[2],
                                                      plan.nextPages[3]));
  if (plan.login == accounts::LoginPage::kOneTimePassword) {
    sheet->AddPage(std::make_shared<COTPPropertyPage>(context, result.get()));
  }
  return {std::move(sheet), result};
}

void ShowCertificateDetails(HWND owner, const CCertificatePolicy& certificate, const CPolicy&,
                            const CLumaPassVConfig& settings) {
  const CCertificatePolicy copy(certificate);
  PCCERT_CONTEXT context = copy.descriptor.GetCertificate();
  if (context == nullptr) return;
  CLibrary cryptui(L"cryptui.dll");
  if (cryptui.get() == nullptr) return;
  auto view = reinterpret_cast<ViewCertificateFunction>(
      reinterpret_cast<void*>(GetProcAddress(cryptui.get(), "CryptUIDlgViewCertificateW")));
  if (view == nullptr) return;
  const std::wstring title = FormatResourceString(IDS_CERTIFICATE_DETAILS);
  CRYPTUI_VIEWCERTIFICATE_STRUCTW info = {};
  info.dwSize = sizeof(info);
  info.hwndParent = owner;
  info.dwFlags = ViewerFlags(settings.AllowCryptUIOnlineLookups);
  info.szTitle = title.c_str();
  info.pCertContext = context;
  BOOL changed = FALSE;
  view(&info, &changed);  // the user only looks
}

}  // namespace ui
}  // namespace luma
