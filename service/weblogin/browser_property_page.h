// The authentication page of accounts whose provider logs in through a web browser. It opens the
// browser frame by itself when it becomes active and, while the login runs, leaves nothing else of the
// dialog usable. The session cookie the login yields becomes the account's token; then a page worker
// checks a cached PIN of the certificate with the service before the dialog ends or the PIN page
// follows. A login that failed or was closed shows why and offers "Retry authentication".
#ifndef LUMA_SERVICE_WEBLOGIN_BROWSER_PROPERTY_PAGE_H_
#define LUMA_SERVICE_WEBLOGIN_BROWSER_PROPERTY_PAGE_H_

#include <memory>

#include "service/auth/auth_result.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/vault/web_service_exception.h"
#include "service/weblogin/web_auth_dispatcher.h"
#include "ui/browser/browser_frame_wnd.h"

namespace luma::ui {

class CBrowserThreadParameter : public CApplyWorkerParameter {
 public:
  CAuthContext context;
};

class CBrowserThreadResult : public CApplyWorkerResult {
 public:
  CSOAPServiceException error{0, 0, L""};
  CSecureBuffer token;  // wiped with the result
  CSecureBuffer pin;
};

// The page's worker: the account's token, and the check of a cached PIN with the service.
std::unique_ptr<CApplyWorkerResult> BrowserLoginWorker(CApplyWorkerParameter* parameter,
                                                       volatile LONG* cancelled);

class CBrowserPropertyPage : public CAuthDialogPage {
 public:
  CBrowserPropertyPage(const CAuthContext& context, CAuthResult* result);
  ~CBrowserPropertyPage() override;

  // The running login's rules and frame; null while none runs.
  std::shared_ptr<CWebAuthDispatcher> Dispatcher() const { return dispatcher; }
  HWND FrameWindow() const { return frameWindow; }
  bool IsStarted() const { return started; }

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  void OnDestroy() override;

  virtual void OnStartAuthentication();
  virtual void OnBrowserControlClosed();

 private:
  HWND SheetWindow() const;

  std::shared_ptr<CWebAuthDispatcher> dispatcher;
  std::unique_ptr<CBrowserFrameWnd> frame;
  bool started = false;
  HWND frameWindow = nullptr;
  CAuthResult* authResult;
  CButton startButton;
};

}  // namespace luma::ui

#endif  // LUMA_SERVICE_WEBLOGIN_BROWSER_PROPERTY_PAGE_H_
