// What the embedded browser asks its owner: its settings, and a decision or a note for every event.
// The base answers as a browser with no special wishes would and drives the frame's progress bar.
// Everything runs on the thread of the window that hosts the browser.
#ifndef LUMA_UI_BROWSER_WEB_DISPATCH_HANDLER_H_
#define LUMA_UI_BROWSER_WEB_DISPATCH_HANDLER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "ui/browser/navigation_context.h"
#include "ui/core/http_headers.h"

namespace luma::ui {

class AWebformDispatchHandler {
 public:
  AWebformDispatchHandler() = default;
  virtual ~AWebformDispatchHandler() = default;
  AWebformDispatchHandler(const AWebformDispatchHandler&) = delete;
  AWebformDispatchHandler& operator=(const AWebformDispatchHandler&) = delete;

  // Registry path the browser engine reads its options from instead of its own; empty: none.
  virtual std::wstring GetOverrideKeyPath() { return std::wstring(); }
  // Empty: the platform's user agent.
  virtual std::wstring GetUserAgent() { return std::wstring(); }
  virtual bool ForceSilent() { return false; }
  virtual bool AllowPopups() { return true; }
  virtual bool ShowScriptErrors() { return false; }
  virtual bool EnableScrollbars() { return false; }
  virtual bool AllowFormAutofill() { return false; }
  virtual bool ShowWaitPage() { return true; }
  virtual bool EnableProgressBar() { return true; }
  virtual bool PersistCookies() { return true; }

  // true lets the navigation go on.
  virtual bool OnBeforeNavigate(CNavigationContext& context, const std::vector<CHttpHeader>& headers,
                                const CSecureBuffer& postData);
  virtual void OnDocumentComplete(CNavigationContext& context);
  virtual void OnNavigateComplete(CNavigationContext& context);
  // false cancels the browser's own error page.
  virtual bool OnNavigateError(CNavigationContext& context);
  // S_FALSE: the platform asks the user; E_ABORT abandons the request; S_OK ignores the problem.
  virtual HRESULT OnSecurityProblem(CNavigationContext& context);
  virtual void OnDownloadBegin();
  virtual void OnDownloadComplete();
  virtual void OnProgressChange(long progress, long progressMax);
  virtual void OnBrowserDisabled() {}
  virtual void OnBrowserEnabled() {}
  // The browser is being torn down; called once per browser.
  virtual void OnBrowserClosed() {}

  // The frame's progress bar (range 0 to 100); null while there is none.
  HWND progressWindow = nullptr;

 private:
  void ShowProgress(bool visible, int position) const;
};

}  // namespace luma::ui

#endif  // LUMA_UI_BROWSER_WEB_DISPATCH_HANDLER_H_
