#include "service/weblogin/web_auth_dispatcher.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "ui/browser/web_helpers.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma::ui {
namespace {

const UINT kClosedMessage = RegisterWindowMessageW(L"WM_USER_BROWSER_CONTROL_CLOSED");

void ReplaceAll(std::wstring& text, const std::wstring& placeholder, const std::wstring& value) {
  for (size_t at = text.find(placeholder); at != std::wstring::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
}

bool IsLocalPage(const CCrackedUrl& url, const wchar_t* page) {
  return url.scheme == INTERNET_SCHEME_RES && url.urlPath.find(page) != std::wstring::npos;
}

// Status 0 stands for a plain success in the log lines.
int LoggedStatus(int status) { return status == 0 ? 200 : status; }

bool IsHttpError(int status) { return status >= 400 && status <= 599; }

}  // namespace

UINT BrowserControlClosedMessage() { return kClosedMessage; }

CWebLoginUser CWebLoginUser::Current() {
  CWebLoginUser user;
  GetCurrentUserUPN(user.upn, user.upnName, user.upnDomain);
  GetCurrentUserLogonName(user.samName, user.samDomain);
  return user;
}

CWebAuthDispatcher::CWebAuthDispatcher(std::shared_ptr<CBrowserAuthConfig> browserConfig,
                                       const std::wstring& userId, bool useRegistrationUrl)
    : CWebAuthDispatcher(std::move(browserConfig), userId, useRegistrationUrl, CWebLoginUser::Current()) {}

CWebAuthDispatcher::CWebAuthDispatcher(std::shared_ptr<CBrowserAuthConfig> browserConfig,
                                       const std::wstring& userId, bool useRegistrationUrl,
                                       const CWebLoginUser& user)
    : config(browserConfig ? std::move(browserConfig) : std::make_shared<CBrowserAuthConfig>(nullptr)) {
  std::wstring address = useRegistrationUrl ? config->RegistrationURL : config->GetServiceConfig().ServiceURL;
  ReplaceAll(address, L"{userid}", EscapeUrlValue(userId));
  ReplaceAll(address, L"{upn}", EscapeUrlValue(user.upn));
  ReplaceAll(address, L"{upnName}", EscapeUrlValue(user.upnName));
  ReplaceAll(address, L"{upnDomain}", EscapeUrlValue(user.upnDomain));
  ReplaceAll(address, L"{samName}", EscapeUrlValue(user.samName));
  ReplaceAll(address, L"{samDomain}", EscapeUrlValue(user.samDomain));
  startUrl = CCrackedUrl(address);
  for (const std::wstring& allowed : config->AllowedNavigationDomains) allowedUrls.emplace_back(allowed);
  if (!allowedUrls.empty()) allowedUrls.push_back(startUrl);
}

CWebAuthDispatcher::~CWebAuthDispatcher() { WipeCookie(); }

void CWebAuthDispatcher::WipeCookie() {
  WipeString(cookie);
  cookie.clear();
}

std::wstring CWebAuthDispatcher::GetUserAgent() {
  CDebugLog::Log(LOG_DEBUG, L"Browser control user agent: '%s'", config->UserAgent.c_str());
  return config->UserAgent;
}

bool CWebAuthDispatcher::IsAllowedHttps(const CCrackedUrl& url) const {
  if (allowedUrls.empty()) return true;
  for (const CCrackedUrl& allowed : allowedUrls) {
    if (allowed.SameOrigin(url)) return true;
  }
  return false;
}

bool CWebAuthDispatcher::IsStartUrl(const CCrackedUrl& url) const {
  return url.scheme != -1 && url.SameOrigin(startUrl) && url.urlPath == startUrl.urlPath;
}

bool CWebAuthDispatcher::OnBeforeNavigate(CNavigationContext& context, const std::vector<CHttpHeader>&,
                                          const CSecureBuffer&) {
  const CCrackedUrl& requested = context.requestedUrl;
  CDebugLog::Log(LOG_DEBUG, L"Browser control before navigate %s", requested.url.c_str());
  if (!IsLocalPage(requested, kErrorPage)) lastFailure = CNavigationContext();
  switch (requested.scheme) {
    case INTERNET_SCHEME_HTTPS:
      if (IsAllowedHttps(requested)) return true;
      CDebugLog::Log(LOG_ERROR, L"Browser control denied navigation to %s", requested.url.c_str());
      lastFailure = CNavigationContext::Refused(context);
      if (context.control != nullptr) context.control->NavigateToResource(kErrorPage);
      return false;
    case INTERNET_SCHEME_RES:
    case INTERNET_SCHEME_JAVASCRIPT:
      return true;
    default:
      return false;  // plain HTTP, files and the like: refused without a word
  }
}

void CWebAuthDispatcher::OnDocumentComplete(CNavigationContext& context) {
  CDebugLog::Log(LOG_DEBUG,
                 L"Browser control document complete with HTTP status %d and security error 0x%08x for %s",
                 LoggedStatus(context.statusCode), context.securityError, context.requestedUrl.url.c_str());
  CBrowserView* browser = context.control;
  if (browser == nullptr || !browser->IsTopLevel(context)) return;
  for (int tries = 0; tries < kDocumentCompleteTries && !browser->IsDocumentComplete(); ++tries) Sleep(100);
  if (IsLocalPage(context.requestedUrl, kWaitPage)) {
    SetElementInnerHtml(context, L"message", FormatResourceString(IDS_BROWSER_LOADING));
    StartNavigation(context);
    return;
  }
  if (IsLocalPage(context.requestedUrl, kErrorPage)) {
    ShowErrorPage(context, lastFailure);
    return;
  }
  if (IsHttpError(context.statusCode) && !DocumentHasBodyText(context)) {
    browser->NavigateToResource(kErrorPage);
    return;
  }
  if (IsStartUrl(context.requestedUrl) && (context.statusCode == 0 || context.statusCode == 200)) {
    OnLoginCompleted(context);
  }
}

void CWebAuthDispatcher::OnNavigateComplete(CNavigationContext& context) {
  CDebugLog::Log(LOG_DEBUG, L"Browser control navigate complete with HTTP status %d for %s",
                 LoggedStatus(context.statusCode), context.requestedUrl.url.c_str());
  const unsigned status = static_cast<unsigned>(context.statusCode);
  if (status == 0 || (status >= 100 && status <= 599)) return;
  if (context.control != nullptr) context.control->NavigateToResource(kErrorPage);
}

bool CWebAuthDispatcher::OnNavigateError(CNavigationContext& context) {
  CDebugLog::Log(LOG_ERROR,
                 L"Browser control navigate error with HTTP status %d and security error 0x%08x for %s",
                 LoggedStatus(context.statusCode), context.securityError, context.requestedUrl.url.c_str());
  lastFailure = context;
  if (!IsHttpError(context.statusCode) || config->UseIEFriendlyErrorPages) return true;
  if (context.control != nullptr) {
    context.control->SetBodyInnerHtml(FormatResourceString(
        IDS_BROWSER_HTTP_STATUS, context.requestedUrl.hostName.c_str(), context.statusCode));
  }
  return false;
}

HRESULT CWebAuthDispatcher::OnSecurityProblem(CNavigationContext& context) {
  CDebugLog::Log(LOG_ERROR, L"Browser control security error 0x%08x for %s", context.securityError,
                 context.requestedUrl.url.c_str());
  if (context.securityError == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED) {
    CDebugLog::Log(LOG_DEBUG, L"Requesting showing a dialog box");
    return S_FALSE;
  }
  CDebugLog::Log(LOG_DEBUG, L"Requesting abort");
  return E_ABORT;
}

void CWebAuthDispatcher::StartNavigation(CNavigationContext& context) {
  CDebugLog::Log(LOG_DEBUG, L"Browser control start navigate to %s", startUrl.url.c_str());
  if (context.control != nullptr) context.control->Navigate(startUrl.url);
}

void CWebAuthDispatcher::ShowErrorPage(CNavigationContext& errorPage, const CNavigationContext& failure) {
  CDebugLog::Log(LOG_ERROR, L"Browser control error 0x%08x for %s", errorPage.securityError,
                 errorPage.requestedUrl.url.c_str());
  const std::wstring& host = failure.requestedUrl.hostName;
  if (failure.securityError != 0) {
    errorText = FormatResourceString(
        IDS_BROWSER_UNREACHABLE, host.c_str(),
        FormatSystemErrorMessage(static_cast<DWORD>(failure.securityError), true).c_str());
  } else if (IsHttpError(failure.statusCode)) {
    errorText = FormatResourceString(IDS_BROWSER_HTTP_STATUS, host.c_str(), failure.statusCode);
  } else {
    const DWORD code = static_cast<DWORD>(failure.statusCode == 0 ? 200 : failure.statusCode);
    errorText = FormatResourceString(IDS_BROWSER_UNREACHABLE, host.c_str(),
                                     FormatSystemErrorMessage(code, true).c_str());
  }
  std::wstring html = errorText;
  ReplaceAll(html, L"\n", L"<br/>");
  SetElementInnerHtml(errorPage, L"error", html);
  if (config->AutoCloseOnError != 0 && frameWindow != nullptr) {
    SetTimer(frameWindow, 1066, config->AutoCloseOnError, nullptr);
  }
}

void CWebAuthDispatcher::OnLoginCompleted(CNavigationContext& context) {
  CDebugLog::Log(LOG_DEBUG, L"Browser control navigation successfully completed");
  WipeCookie();
  cookie = GetCookieByName(context, config->AuthCookieName);
  if (cookie.empty()) {
    CDebugLog::Log(LOG_ERROR, L"Error: Response did not contain a cookie named %s",
                   config->AuthCookieName.c_str());
  }
  ExpireCookie(context.requestedUrl.url, config->AuthCookieName);
  if (frameWindow != nullptr) PostMessageW(frameWindow, WM_CLOSE, 0, 0);
}

void CWebAuthDispatcher::OnBrowserClosed() {
  CDebugLog::Log(LOG_DEBUG, L"Browser control closed");
  if (config->AutoCloseOnError != 0 && frameWindow != nullptr) KillTimer(frameWindow, 1066);
  if (cookie.empty() && errorText.empty()) errorText = FormatResourceString(IDS_BROWSER_CANCELLED);
  if (notifyWindow != nullptr) PostMessageW(notifyWindow, BrowserControlClosedMessage(), 1, 0);
}

}  // namespace luma::ui
