// The refresh-account wizard: fetches an account's signed policy anew. Its first page tries silently
// with the account's cached session (or the platform's integrated login, or the remembered client
// certificate); when the service no longer accepts the session, the provider's interactive login page
// follows. A fetched policy is stored at once with the session token and ends the wizard with IDOK;
// a failed silent refresh shows its message and ends it with IDCANCEL. No password or PIN is kept.
#ifndef LUMA_SERVICE_UI_REFRESH_ACCOUNT_WIZARD_H_
#define LUMA_SERVICE_UI_REFRESH_ACCOUNT_WIZARD_H_

#include <memory>
#include <string>

#include "service/authdlg/auth_dialog_page.h"
#include "service/ui/wizard_policy_fetch.h"
#include "ui/controls/image_controls.h"
#include "ui/framework/base_property_sheet.h"
#include "ui/framework/nav_handling_edit.h"

namespace luma {
namespace ui {

struct CRefreshWizardData {
  CRefreshWizardData(CProviderContextPtr providerContext, CPolicyPtr policy);
  ~CRefreshWizardData();
  CRefreshWizardData(const CRefreshWizardData&) = delete;
  CRefreshWizardData& operator=(const CRefreshWizardData&) = delete;

  CProviderContextPtr providerContext;
  // The account being refreshed.
  CPolicyPtr policy;
  // The account's provider and policy with an empty certificate, for the tiles.
  CAuthContext authContext;
  // The session token of the login that brought the new policy.
  CSecureBuffer token;
};

using CRefreshWizardDataPtr = std::shared_ptr<CRefreshWizardData>;

class CRefreshWizCheckThreadParameter : public CApplyWorkerParameter {
 public:
  HWND owner = nullptr;
  CProviderContextPtr providerContext;
  CPolicyPtr policy;
  CAuthContext authContext;
};

// The silent refresh's result; the token is the cached one the call was made with.
class CRefreshWizCheckThreadResult : public CWizCheckThreadResult {
 public:
  CSecureBuffer token;
};

std::unique_ptr<CApplyWorkerResult> RefreshWizCheckThread(CApplyWorkerParameter* parameter,
                                                          volatile LONG* cancelled);

class CRefreshWizardPage : public CAuthDialogPage {
 public:
  CRefreshWizardPage(UINT templateId, const CRefreshWizardDataPtr& data);
  ~CRefreshWizardPage() override;

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  // Stores the new policy and the session token, then ends the wizard with IDOK.
  void StoreAndClose(const CPolicyPtr& policy);

  CRefreshWizardDataPtr wizardData;
  CResizedBitmapControl picture;
};

class CRefreshWizCheckPage : public CRefreshWizardPage {
 public:
  explicit CRefreshWizCheckPage(const CRefreshWizardDataPtr& data);

 protected:
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  LRESULT OnWizardNext() override;
  BOOL OnWizardFinish() override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
};

// The one-time-password login for the account: its user id is shown and cannot be changed.
class CRefreshWizOTPPage : public CRefreshWizardPage {
 public:
  explicit CRefreshWizOTPPage(const CRefreshWizardDataPtr& data);

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  LRESULT OnWizardNext() override;
  BOOL OnWizardFinish() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  void OnDestroy() override;

 private:
  void OnFieldChange();
  void ClearSecrets();

  CInfoToolTip userIdTip;
  CInfoToolTip passwordTip;
  CInfoToolTip otpTip;
  CNavHandlingEdit userIdEdit;
  CNavHandlingEdit passwordEdit;
  CNavHandlingEdit otpEdit;
};

// The refresh-account wizard's sheet for an account; `data` receives what its pages share, which must
// outlive the sheet. A sheet without pages: the account has no user id (nothing to refresh).
std::unique_ptr<CBasePropertySheet> MakeRefreshAccountSheet(HWND parent, const CProviderContextPtr& provider,
                                                            const CPolicyPtr& account,
                                                            CRefreshWizardDataPtr& data);

// One refresh-account wizard for an account, its sheet assembled.
class CRefreshAccountWizard {
 public:
  CRefreshAccountWizard(HWND parent, const CProviderContextPtr& provider, const CPolicyPtr& account);

  bool HasPages() const { return sheet->GetPageCount() > 0; }
  CBasePropertySheet& Sheet() { return *sheet; }
  const CRefreshWizardDataPtr& Data() const { return data; }
  // The modal run: IDOK when a new policy was stored; -1 without pages.
  INT_PTR DoModal();

 private:
  CRefreshWizardDataPtr data;
  std::unique_ptr<CBasePropertySheet> sheet;
};

// The account list's Refresh for the selected account.
INT_PTR RunRefreshAccountWizard(HWND parent, const CProviderContextPtr& provider, const CPolicyPtr& account);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_REFRESH_ACCOUNT_WIZARD_H_
