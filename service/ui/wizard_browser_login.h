// The browser login of the account wizards' browser pages: the provider's web login in the browser
// frame over the page, the session cookie it yields, and the page worker that fetches the account's
// policy with that cookie. While the browser is open the sheet is disabled; the page learns of its
// end from "WM_USER_BROWSER_CONTROL_CLOSED".
#ifndef LUMA_SERVICE_UI_WIZARD_BROWSER_LOGIN_H_
#define LUMA_SERVICE_UI_WIZARD_BROWSER_LOGIN_H_

#include <windows.h>

#include <memory>
#include <string>

#include "policy/config/browser_auth_config.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/ui/wizard_policy_fetch.h"
#include "service/weblogin/web_auth_dispatcher.h"
#include "ui/browser/browser_frame_wnd.h"

namespace luma {
namespace ui {

class CWizBrowserThreadParameter : public CApplyWorkerParameter {
 public:
  CProviderContextPtr provider;
  CSecureBuffer token;  // the login's session cookie
};

// The policy fetch with the browser login's session cookie.
std::unique_ptr<CApplyWorkerResult> WizBrowserThread(CApplyWorkerParameter* parameter,
                                                     volatile LONG* cancelled);

// The page posts this to itself when it shows, so that the login starts by itself.
void PostStartLogin(HWND page, HWND retryButton);

class CWizardBrowserLogin {
 public:
  CWizardBrowserLogin() = default;
  ~CWizardBrowserLogin();
  CWizardBrowserLogin(const CWizardBrowserLogin&) = delete;
  CWizardBrowserLogin& operator=(const CWizardBrowserLogin&) = delete;

  // Opens the browser frame over the page, titled with its caption, with the page's status line
  // telling the user to follow it; disables the sheet and the retry button. userId fills the start
  // address's placeholder; registration: start at the provider's registration address. A frame that
  // cannot be made ends the login at once, as cancelled.
  void Start(CAuthDialogPage& page, HWND retryButton, const std::wstring& userId, bool registration);
  // After the closed message: enables the sheet again; true with the session cookie in `token` when
  // the login succeeded, else the status line says why and the retry button shows.
  bool Finish(CAuthDialogPage& page, HWND retryButton, CSecureBuffer& token);
  // The page goes: a frame still open goes first.
  void Close();

  bool IsOpen() const { return static_cast<bool>(dispatcher); }
  std::shared_ptr<CWebAuthDispatcher> Dispatcher() const { return dispatcher; }
  HWND FrameWindow() const { return frame ? frame->Handle() : nullptr; }

 private:
  std::shared_ptr<CWebAuthDispatcher> dispatcher;
  std::unique_ptr<CBrowserFrameWnd> frame;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_WIZARD_BROWSER_LOGIN_H_
