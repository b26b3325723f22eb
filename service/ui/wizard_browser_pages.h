// The account wizards' browser pages. Each opens the provider's web login by itself when it shows;
// a closed browser says why and offers "Retry authentication"; the session cookie of a finished login
// has a page worker fetch the account's policy with it. The add-account page starts at the provider's
// registration address and moves on to the finish page; the refresh page starts at the service
// address with the account's user id and stores the new policy at once.
#ifndef LUMA_SERVICE_UI_WIZARD_BROWSER_PAGES_H_
#define LUMA_SERVICE_UI_WIZARD_BROWSER_PAGES_H_

#include <memory>

#include "service/ui/add_account_wizard.h"
#include "service/ui/refresh_account_wizard.h"
#include "service/ui/wizard_browser_login.h"

namespace luma {
namespace ui {

class CAddWizBrowserPage : public CAddWizardPage {
 public:
  explicit CAddWizBrowserPage(const CAddWizardDataPtr& data);
  ~CAddWizBrowserPage() override;

  const CWizardBrowserLogin& Login() const { return login; }

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardNext() override;
  BOOL OnWizardFinish() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  void OnDestroy() override;

 private:
  void OnStartAuthentication();
  void OnBrowserControlClosed();

  CWizardBrowserLogin login;
  CButton retryButton;
};

class CRefreshWizBrowserPage : public CRefreshWizardPage {
 public:
  explicit CRefreshWizBrowserPage(const CRefreshWizardDataPtr& data);
  ~CRefreshWizBrowserPage() override;

  const CWizardBrowserLogin& Login() const { return login; }

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardNext() override;
  BOOL OnWizardFinish() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  void OnDestroy() override;

 private:
  void OnStartAuthentication();
  void OnBrowserControlClosed();

  CWizardBrowserLogin login;
  CButton retryButton;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_WIZARD_BROWSER_PAGES_H_
