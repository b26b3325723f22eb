// The add-account wizard: the user chooses a provider (only when several are configured), logs in
// the way the provider's method asks for, and Finish hands the account's signed policy to the
// provider context, which stores it and tells its observers (they provision the certificates and
// refresh the account list), and caches the login's session token. Back is never offered; Cancel
// ends the run at any time and keeps nothing.
#ifndef LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_
#define LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <prsht.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "service/auth/auth_context.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/ui/main_frame_host.h"
#include "ui/controls/image_controls.h"
#include "ui/core/account_wizard_plan.h"
#include "ui/framework/base_property_page.h"
#include "ui/framework/base_property_sheet.h"

namespace luma {
namespace ui {

// One wizard run's state, shared by its pages. Nothing of a login outlives it: the token is wiped
// when the last page lets go of it.
struct CAddWizardData {
  // Every provider of the map, in the map's order.
  explicit CAddWizardData(const CProviderContextMap& providerContexts);
  ~CAddWizardData();
  CAddWizardData(const CAddWizardData&) = delete;
  CAddWizardData& operator=(const CAddWizardData&) = delete;

  // The chosen provider; its configuration also goes into the display context.
  void Select(const CProviderContextPtr& provider);
  // The login page each provider asks for, in the order of `providers`.
  std::vector<WizardLogin> Logins() const;

  std::vector<CProviderContextPtr> providers;
  CProviderContextPtr selectedProvider;
  // The account's policy, once a login page fetched it.
  CPolicyPtr policy;
  // The login's session cookie as UTF-16 bytes without terminator; empty for a silent login.
  CSecureBuffer token;
  // What the pages' tiles show: a copy of the chosen provider's configuration and of the policy.
  CAuthContext authContext;
};

using CAddWizardDataPtr = std::shared_ptr<CAddWizardData>;

// The login page a provider's method asks for.
WizardLogin WizardLoginOf(const CProviderContext& provider);

// The issuer's logo where the page has one and the account brings one; else the page picture.
void ShowLogoOrPicture(HWND page);

// The base of the wizard's pages: the wizard data, the page picture where the template has one, and
// the provider the user chose on the tiles.
class CAddWizardPage : public CAuthDialogPage {
 public:
  CAddWizardPage(UINT templateId, const CAddWizardDataPtr& data);
  ~CAddWizardPage() override;

  const CAddWizardDataPtr& WizardData() const { return wizardData; }

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;

  CAddWizardDataPtr wizardData;
  CResizedBitmapControl picture;
};

class CAddWizProviderPage : public CAddWizardPage {
 public:
  explicit CAddWizProviderPage(const CAddWizardDataPtr& data);

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardNext() override;
  BOOL OnWizardFinish() override;

 private:
  CStatic promptText;
  CControl providerList;
};

class CAddWizFinishPage : public CAddWizardPage {
 public:
  explicit CAddWizFinishPage(const CAddWizardDataPtr& data);

 protected:
  BOOL OnSetActive() override;
  BOOL OnWizardFinish() override;
};

// The add-account wizard's sheet over every configured provider, or for the one provider a protocol
// URL named; `data` receives what its pages share, which must outlive the sheet. A sheet without
// pages: there is no provider to add an account at.
std::unique_ptr<CBasePropertySheet> MakeAddAccountSheet(HWND parent, const CProviderContextMap& providers,
                                                        const CProviderContextPtr& named,
                                                        CAddWizardDataPtr& data);

// One add-account wizard, its sheet assembled.
class CAddAccountWizard {
 public:
  CAddAccountWizard(HWND parent, const CProviderContextMap& providers,
                    const CProviderContextPtr& named = nullptr);

  bool HasPages() const { return sheet->GetPageCount() > 0; }
  CBasePropertySheet& Sheet() { return *sheet; }
  const CAddWizardDataPtr& Data() const { return data; }
  // The modal run; -1 without pages. Its result needs no examination: Finish has stored the account.
  INT_PTR DoModal();

 private:
  CAddWizardDataPtr data;
  std::unique_ptr<CBasePropertySheet> sheet;
};

// Tells the user in a message box owned by parent that no provider is configured.
void ShowNoProviderMessage(HWND parent);

// The account list's Add: the wizard over every provider; without any provider the user is told so
// in a message box owned by parent and -1 is returned.
INT_PTR RunAddAccountWizard(HWND parent, const CProviderContextMap& providers);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_
