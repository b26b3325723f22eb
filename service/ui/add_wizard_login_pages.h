// The add-account wizard's login pages. Each runs its login and the policy fetch on a page worker and,
// on success, hands the policy to the wizard data and moves on to the finish page; a failure is shown
// in the status line and a message box, and the page stays. The check page logs in silently (the
// platform's integrated login, or a client certificate); the one-time-password page through the
// provider's web form with user id, password and one-time password.
#ifndef LUMA_SERVICE_UI_ADD_WIZARD_LOGIN_PAGES_H_
#define LUMA_SERVICE_UI_ADD_WIZARD_LOGIN_PAGES_H_

#include <memory>
#include <string>

#include "service/ui/add_account_wizard.h"
#include "service/ui/wizard_policy_fetch.h"
#include "ui/framework/nav_handling_edit.h"

namespace luma {
namespace ui {

class CWizCheckThreadParameter : public CApplyWorkerParameter {
 public:
  HWND owner = nullptr;  // of the certificate choice, when the login needs one
  CProviderContextPtr provider;
};

// Secrets: UTF-16 with terminator, wiped with their buffers.
class CWizOTPThreadParameter : public CApplyWorkerParameter {
 public:
  CProviderContextPtr provider;
  std::wstring userId;
  CSecureBuffer password;
  CSecureBuffer otp;
};

std::unique_ptr<CApplyWorkerResult> WizCheckThread(CApplyWorkerParameter* parameter,
                                                   volatile LONG* cancelled);
// The form login, then (unless cancelled meanwhile) the fetch with its session cookie.
std::unique_ptr<CApplyWorkerResult> WizOTPThread(CApplyWorkerParameter* parameter, volatile LONG* cancelled);

// The silent login: starts on activation; a provider that needs the user skips it.
class CAddWizCheckPage : public CAddWizardPage {
 public:
  explicit CAddWizCheckPage(const CAddWizardDataPtr& data);

 protected:
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  LRESULT OnWizardNext() override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
};

class CAddWizOTPPage : public CAddWizardPage {
 public:
  explicit CAddWizOTPPage(const CAddWizardDataPtr& data);

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
  void ClearFields();
  void EnableFields(BOOL enable);

  CInfoToolTip userIdTip;
  CInfoToolTip passwordTip;
  CInfoToolTip otpTip;
  CNavHandlingEdit userIdEdit;
  CNavHandlingEdit passwordEdit;
  CNavHandlingEdit otpEdit;
};

// After a login page's worker, shared by the wizards: false when the run succeeded with a policy;
// otherwise the status line and a message box say why and true is returned. The user id names the
// account of a refused one-time-password login.
bool ReportLoginFailure(CAuthDialogPage& page, const CWizCheckThreadResult* result,
                        const CWizOTPThreadResult* login, const std::wstring& userId);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ADD_WIZARD_LOGIN_PAGES_H_
