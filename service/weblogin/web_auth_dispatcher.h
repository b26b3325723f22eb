// The rules of a provider's browser login. It builds the start address from the provider's template,
// keeps every navigation within the allowed HTTPS addresses, shows the program's own wait and error
// pages, recognises a finished login by the browser coming back to the start address and takes the
// session cookie the provider names; when the browser goes it tells the page that started the login
// with "WM_USER_BROWSER_CONTROL_CLOSED". It runs on the thread of that page and its frame window.
#ifndef LUMA_SERVICE_WEBLOGIN_WEB_AUTH_DISPATCHER_H_
#define LUMA_SERVICE_WEBLOGIN_WEB_AUTH_DISPATCHER_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "policy/config/browser_auth_config.h"
#include "ui/browser/web_dispatch_handler.h"

namespace luma::ui {

// Posted to the page that started a login when its browser has gone (wParam 1, lParam 0).
UINT BrowserControlClosedMessage();

// The logged-on user as the start address's placeholders name it.
struct CWebLoginUser {
  std::wstring upn;
  std::wstring upnName;
  std::wstring upnDomain;
  std::wstring samName;
  std::wstring samDomain;
  // The user of this process, from the system.
  static CWebLoginUser Current();
};

// The local pages of the login, HTML resources of the program.
constexpr const wchar_t* kWaitPage = L"wait.htm";
constexpr const wchar_t* kErrorPage = L"error.htm";
// How often, 100 ms apart, a completed top document is asked whether all its frames have loaded.
constexpr int kDocumentCompleteTries = 50;

class CWebAuthDispatcher : public AWebformDispatchHandler {
 public:
  // useRegistrationUrl: start at the provider's registration address instead of its service address.
  CWebAuthDispatcher(std::shared_ptr<CBrowserAuthConfig> config, const std::wstring& userId,
                     bool useRegistrationUrl);
  CWebAuthDispatcher(std::shared_ptr<CBrowserAuthConfig> config, const std::wstring& userId,
                     bool useRegistrationUrl, const CWebLoginUser& user);
  ~CWebAuthDispatcher() override;

  std::wstring GetOverrideKeyPath() override { return config->OverrideKeyPath; }
  std::wstring GetUserAgent() override;
  bool ForceSilent() override { return config->ForceSilent; }
  bool AllowPopups() override { return config->AllowPopups; }
  bool ShowScriptErrors() override { return config->ShowScriptErrors; }
  bool EnableScrollbars() override { return config->EnableScrollbars; }
  bool AllowFormAutofill() override { return config->AllowFormAutofill; }
  bool EnableProgressBar() override { return config->EnableProgressBar; }
  bool PersistCookies() override { return config->PersistCookies; }

  bool OnBeforeNavigate(CNavigationContext& context, const std::vector<CHttpHeader>& headers,
                        const CSecureBuffer& postData) override;
  void OnDocumentComplete(CNavigationContext& context) override;
  void OnNavigateComplete(CNavigationContext& context) override;
  bool OnNavigateError(CNavigationContext& context) override;
  HRESULT OnSecurityProblem(CNavigationContext& context) override;
  void OnBrowserClosed() override;

  virtual void StartNavigation(CNavigationContext& context);
  virtual void ShowErrorPage(CNavigationContext& errorPage, const CNavigationContext& failure);
  virtual void OnLoginCompleted(CNavigationContext& context);

  std::wstring GetCookie() const { return cookie; }
  std::wstring GetErrorText() const { return errorText; }
  const CCrackedUrl& StartUrl() const { return startUrl; }
  const std::vector<CCrackedUrl>& AllowedUrls() const { return allowedUrls; }
  // Wipes the captured cookie.
  void WipeCookie();

  HWND frameWindow = nullptr;
  HWND notifyWindow = nullptr;

 private:
  bool IsAllowedHttps(const CCrackedUrl& url) const;
  bool IsStartUrl(const CCrackedUrl& url) const;

  CCrackedUrl startUrl;
  std::wstring cookie;
  std::wstring errorText;
  CNavigationContext lastFailure;
  std::vector<CCrackedUrl> allowedUrls;
  std::shared_ptr<CBrowserAuthConfig> config;
};

}  // namespace luma::ui

#endif  // LUMA_SERVICE_WEBLOGIN_WEB_AUTH_DISPATCHER_H_
