// The browser login's rules, driven with a scripted browser: the start address and its
// placeholders, which navigations go ahead, the local wait and error pages, the end of a login with
// its cookie from the platform's cookie store, and the notice to the page when the browser goes.
#include "service/weblogin/web_auth_dispatcher.h"

#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <memory>
#include <string>

#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/weblogin/tests/scripted_browser.h"
#include "ui/browser/web_helpers.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma::ui {
namespace {

using testing::CScriptedBrowser;

constexpr wchar_t kStart[] = L"https://vault.example.test:8443/login/start?user=x";
constexpr wchar_t kIdentityProvider[] = L"https://idp.example.test/";

// A message-only window that only collects what is posted to it.
class CMessageSink {
 public:
  CMessageSink()
      : window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~CMessageSink() { DestroyWindow(window); }
  bool Received(UINT message, WPARAM* wParam = nullptr) {
    MSG posted = {};
    if (!PeekMessageW(&posted, window, message, message, PM_REMOVE)) return false;
    if (wParam != nullptr) *wParam = posted.wParam;
    return true;
  }
  HWND window;
};

std::shared_ptr<CBrowserAuthConfig> Config(const std::wstring& serviceUrl = kStart) {
  auto config = std::make_shared<CBrowserAuthConfig>(nullptr);
  config->service.ServiceURL = serviceUrl;
  config->RegistrationURL = L"https://vault.example.test/register/{userid}";
  config->AuthCookieName = L"AL_SESS-S";
  return config;
}

CWebLoginUser User() {
  CWebLoginUser user;
  user.upn = L"anna.berg@corp.example";
  user.upnName = L"anna.berg";
  user.upnDomain = L"corp.example";
  user.samName = L"aberg";
  user.samDomain = L"CORP";
  return user;
}

class WebAuthDispatcherTest : public ::testing::Test {
 protected:
  std::shared_ptr<CWebAuthDispatcher> Dispatcher(std::shared_ptr<CBrowserAuthConfig> config) {
    auto dispatcher = std::make_shared<CWebAuthDispatcher>(std::move(config), L"anna", false, User());
    dispatcher->frameWindow = frame.window;
    dispatcher->notifyWindow = page.window;
    return dispatcher;
  }
  bool Allowed(CWebAuthDispatcher& dispatcher, const std::wstring& url) {
    CNavigationContext context = browser.Event(url);
    return dispatcher.OnBeforeNavigate(context, {}, CSecureBuffer());
  }

  CScriptedBrowser browser;
  CMessageSink frame;
  CMessageSink page;
};

TEST_F(WebAuthDispatcherTest, StartAddressFillsEveryPlaceholderEscaped) {
  struct Case {
    const wchar_t* serviceUrl;
    const wchar_t* userId;
    bool registration;
    const wchar_t* expected;
  } cases[] = {
      {L"https://vault.example.test/login?u={userid}&again={userid}", L"anna berg", false,
       L"https://vault.example.test/login?u=anna%20berg&again=anna%20berg"},
      {L"https://vault.example.test/{upn}/{upnName}/{upnDomain}/{samDomain}/{samName}", L"x", false,
       L"https://vault.example.test/anna.berg@corp.example/anna.berg/corp.example/CORP/aberg"},
      {L"https://vault.example.test/plain?q=1", L"anna", false, L"https://vault.example.test/plain?q=1"},
      {L"https://vault.example.test/{USERID}", L"anna", false, L"https://vault.example.test/{USERID}"},
      {L"https://vault.example.test/login", L"anna/b", true, L"https://vault.example.test/register/anna%2Fb"},
  };
  for (const Case& c : cases) {
    CWebAuthDispatcher dispatcher(Config(c.serviceUrl), c.userId, c.registration, User());
    EXPECT_EQ(c.expected, dispatcher.StartUrl().url) << c.serviceUrl;
  }
}

TEST_F(WebAuthDispatcherTest, WithoutAllowedDomainsEveryHttpsAddressGoesAndNothingElse) {
  auto dispatcher = Dispatcher(Config());
  EXPECT_TRUE(Allowed(*dispatcher, L"https://anywhere.example.org/path"));
  EXPECT_TRUE(Allowed(*dispatcher, L"res://lumaPassV.exe/wait.htm"));
  EXPECT_TRUE(Allowed(*dispatcher, L"javascript:void(0)"));
  // Plain HTTP, files and what does not parse are cancelled silently: no error page.
  EXPECT_FALSE(Allowed(*dispatcher, L"http://vault.example.test:8443/login/start"));
  EXPECT_FALSE(Allowed(*dispatcher, L"file:///C:/windows/win.ini"));
  EXPECT_FALSE(Allowed(*dispatcher, L"about:blank"));
  EXPECT_FALSE(Allowed(*dispatcher, L"no address at all"));
  EXPECT_TRUE(browser.navigations.empty());
}

TEST_F(WebAuthDispatcherTest, AllowedDomainsLimitHttpsToTheirOriginsAndTheStartAddress) {
  auto config = Config();
  config->AllowedNavigationDomains = {kIdentityProvider, L"no-scheme.example.test"};
  auto dispatcher = Dispatcher(config);
  ASSERT_EQ(3u, dispatcher->AllowedUrls().size());
  EXPECT_EQ(kStart, dispatcher->AllowedUrls().back().url);
  struct Case {
    const wchar_t* url;
    bool allowed;
  } cases[] = {
      {L"https://vault.example.test:8443/other/page?x=1", true},
      {L"https://idp.example.test/saml/sso?SAMLRequest=abc", true},
      {L"https://IDP.example.test/saml/sso", false},       // hosts compare exactly
      {L"https://idp.example.test:444/saml/sso", false},   // another port
      {L"https://vault.example.test/login/start", false},  // the start host on another port
      {L"https://evil.example.test/", false},
      {L"https://no-scheme.example.test/", false},  // an entry without scheme never matches
  };
  for (const Case& c : cases) {
    browser.navigations.clear();
    EXPECT_EQ(c.allowed, Allowed(*dispatcher, c.url)) << c.url;
    // A refused HTTPS address leads to the error page.
    EXPECT_EQ(c.allowed ? 0u : 1u, browser.navigations.size()) << c.url;
    if (!c.allowed && !browser.navigations.empty()) {
      EXPECT_EQ(L"res:error.htm", browser.navigations[0]);
    }
  }
}

TEST_F(WebAuthDispatcherTest, RefusedAddressShowsUnreachableServerOnErrorPageAndClosesLater) {
  auto config = Config();
  config->AllowedNavigationDomains = {kIdentityProvider};
  config->AutoCloseOnError = 50;
  auto dispatcher = Dispatcher(config);
  EXPECT_FALSE(Allowed(*dispatcher, L"https://evil.example.test/phish"));
  // The error page itself keeps the failure it is about.
  ASSERT_TRUE(Allowed(*dispatcher, L"res://lumaPassV.exe/error.htm"));
  CNavigationContext errorPage = browser.Event(L"res://lumaPassV.exe/error.htm");
  dispatcher->OnDocumentComplete(errorPage);

  const std::wstring expected = FormatResourceString(
      IDS_BROWSER_UNREACHABLE, L"evil.example.test",
      FormatSystemErrorMessage(static_cast<DWORD>(kRefusedNavigationError), true).c_str());
  EXPECT_EQ(expected, dispatcher->GetErrorText());
  EXPECT_NE(std::wstring::npos, expected.find(L"0x800c0002"));
  EXPECT_EQ(expected, browser.elements[L"error"]);
  Sleep(150);
  WPARAM timer = 0;
  EXPECT_TRUE(frame.Received(WM_TIMER, &timer));
  EXPECT_EQ(1066u, timer);
  KillTimer(frame.window, 1066);
}

TEST_F(WebAuthDispatcherTest, WaitPageSaysLoadingAndGoesToTheStartAddress) {
  auto dispatcher = Dispatcher(Config());
  CNavigationContext wait = browser.Event(L"res://lumaPassV.exe/wait.htm");
  dispatcher->OnDocumentComplete(wait);
  EXPECT_EQ(FormatResourceString(IDS_BROWSER_LOADING), browser.elements[L"message"]);
  ASSERT_EQ(1u, browser.navigations.size());
  EXPECT_EQ(kStart, browser.navigations[0]);
  // A frame's document is not the page.
  browser.navigations.clear();
  CNavigationContext frameWait = browser.Event(L"res://lumaPassV.exe/wait.htm", false);
  dispatcher->OnDocumentComplete(frameWait);
  EXPECT_TRUE(browser.navigations.empty());
}

TEST_F(WebAuthDispatcherTest, DocumentThatNeverCompletesIsAskedFiftyTimes) {
  auto dispatcher = Dispatcher(Config());
  browser.documentComplete = false;
  CNavigationContext page = browser.Event(L"https://idp.example.test/form");
  dispatcher->OnDocumentComplete(page);
  EXPECT_EQ(kDocumentCompleteTries, browser.completeQuestions);
}

// The login's end: the start address again (another query counts), status 0 or 200, the top document.
TEST_F(WebAuthDispatcherTest, ReturnToStartAddressTakesTheCookieRemovesItAndClosesTheFrame) {
  const std::wstring back = L"https://vault.example.test:8443/login/start?ticket=ST-1";
  ASSERT_TRUE(InternetSetCookieW(back.c_str(), L"AL_SESS-S", L"session-4711"));
  auto dispatcher = Dispatcher(Config());

  struct Case {
    const wchar_t* url;
    bool topLevel;
    int status;
  } notTheEnd[] = {
      {L"https://vault.example.test:8443/LOGIN/start?ticket=ST-1", true, 200},   // path letter case
      {L"https://vault.example.test:8443/login/start?ticket=ST-1", false, 200},  // a frame
      {L"https://vault.example.test:8443/login/start?ticket=ST-1", true, 302},
      {L"https://vault.example.test/login/start?ticket=ST-1", true, 200},  // another port
  };
  for (const Case& c : notTheEnd) {
    CNavigationContext context = browser.Event(c.url, c.topLevel, c.status);
    dispatcher->OnDocumentComplete(context);
    EXPECT_TRUE(dispatcher->GetCookie().empty()) << c.url;
    EXPECT_FALSE(frame.Received(WM_CLOSE)) << c.url;
  }

  CNavigationContext done = browser.Event(back, true, 200);
  dispatcher->OnDocumentComplete(done);
  EXPECT_EQ(L"AL_SESS-S=session-4711", dispatcher->GetCookie());  // as the Cookie header sends it
  EXPECT_TRUE(frame.Received(WM_CLOSE));
  CNavigationContext again = browser.Event(back);
  EXPECT_TRUE(GetCookieByName(again, L"AL_SESS-S").empty());  // removed from the browser's store

  dispatcher->OnBrowserClosed();
  EXPECT_TRUE(dispatcher->GetErrorText().empty());
  WPARAM wParam = 0;
  EXPECT_TRUE(page.Received(BrowserControlClosedMessage(), &wParam));
  EXPECT_EQ(1u, wParam);
}

TEST_F(WebAuthDispatcherTest, CompletedLoginWithoutCookieEndsAsCancelled) {
  auto dispatcher = Dispatcher(Config(L"https://nocookie.example.test/login"));
  CNavigationContext done = browser.Event(L"https://nocookie.example.test/login", true, 0);
  dispatcher->OnDocumentComplete(done);
  EXPECT_TRUE(frame.Received(WM_CLOSE));
  dispatcher->OnBrowserClosed();
  EXPECT_TRUE(dispatcher->GetCookie().empty());
  EXPECT_EQ(L"Browser-Based Authentication cancelled", dispatcher->GetErrorText());
  EXPECT_TRUE(page.Received(BrowserControlClosedMessage()));
}

TEST_F(WebAuthDispatcherTest, HttpErrorsReplaceThePageOrGoToTheErrorPage) {
  auto config = Config();
  config->AutoCloseOnError = 0;
  auto dispatcher = Dispatcher(config);
  // Friendly pages off: the browser's own page is cancelled and the shown page says what happened.
  CNavigationContext missing = browser.Event(L"https://vault.example.test:8443/gone", true, 404);
  EXPECT_FALSE(dispatcher->OnNavigateError(missing));
  EXPECT_EQ(L"Server vault.example.test returned unexpected HTTP status 404", browser.body);
  EXPECT_TRUE(browser.navigations.empty());

  // A failure outside 400-599 lets the browser show its own page; the error page tells it later.
  CNavigationContext unreachable =
      browser.Event(L"https://down.example.test/", true, static_cast<int>(0x800C0005));
  EXPECT_TRUE(dispatcher->OnNavigateError(unreachable));
  dispatcher->OnNavigateComplete(unreachable);
  ASSERT_EQ(1u, browser.navigations.size());
  EXPECT_EQ(L"res:error.htm", browser.navigations[0]);
  ASSERT_TRUE(Allowed(*dispatcher, L"res://lumaPassV.exe/error.htm"));
  CNavigationContext errorPage = browser.Event(L"res://lumaPassV.exe/error.htm");
  dispatcher->OnDocumentComplete(errorPage);
  EXPECT_EQ(0u, dispatcher->GetErrorText().find(L"Unable to contact server down.example.test: "));
  Sleep(50);
  EXPECT_FALSE(frame.Received(WM_TIMER));  // AutoCloseOnError 0: the page stays

  // A server error page without content goes to the error page; one with content stays.
  browser.navigations.clear();
  browser.body.clear();
  CNavigationContext empty = browser.Event(L"https://vault.example.test:8443/x", true, 500);
  dispatcher->OnDocumentComplete(empty);
  EXPECT_EQ(1u, browser.navigations.size());
  browser.navigations.clear();
  browser.body = L"<p>Maintenance</p>";
  dispatcher->OnDocumentComplete(empty);
  EXPECT_TRUE(browser.navigations.empty());

  // Friendly pages on: the browser handles HTTP errors itself.
  config->UseIEFriendlyErrorPages = true;
  EXPECT_TRUE(dispatcher->OnNavigateError(missing));
}

TEST_F(WebAuthDispatcherTest, NavigateCompleteAcceptsOnlyHttpStatusRange) {
  auto dispatcher = Dispatcher(Config());
  const int fine[] = {0, 100, 200, 404, 599};
  for (const int status : fine) {
    CNavigationContext context = browser.Event(L"https://a.example.test/", true, status);
    dispatcher->OnNavigateComplete(context);
  }
  EXPECT_TRUE(browser.navigations.empty());
  const int odd[] = {1, 99, 600, -1};
  for (const int status : odd) {
    CNavigationContext context = browser.Event(L"https://a.example.test/", true, status);
    dispatcher->OnNavigateComplete(context);
  }
  EXPECT_EQ(4u, browser.navigations.size());
}

TEST_F(WebAuthDispatcherTest, SecurityProblemsAbortExceptClientCertificateRequest) {
  auto dispatcher = Dispatcher(Config());
  CNavigationContext context = browser.Event(L"https://idp.example.test/");
  context.securityError = ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
  EXPECT_EQ(S_FALSE, dispatcher->OnSecurityProblem(context));
  context.securityError = ERROR_INTERNET_INVALID_CA;
  EXPECT_EQ(E_ABORT, dispatcher->OnSecurityProblem(context));
}

TEST_F(WebAuthDispatcherTest, ClosingBeforeAnythingHappenedTellsThePageItWasCancelled) {
  auto config = Config();
  config->AutoCloseOnError = 5000;
  auto dispatcher = Dispatcher(config);
  SetTimer(frame.window, 1066, 30, nullptr);  // as an error page would have
  dispatcher->OnBrowserClosed();
  EXPECT_EQ(L"Browser-Based Authentication cancelled", dispatcher->GetErrorText());
  EXPECT_TRUE(page.Received(BrowserControlClosedMessage()));
  Sleep(80);
  EXPECT_FALSE(frame.Received(WM_TIMER));  // the auto-close timer is gone
}

TEST_F(WebAuthDispatcherTest, SettingsReachTheBrowser) {
  auto config = Config();
  config->ForceSilent = true;
  config->AllowPopups = false;
  config->EnableProgressBar = false;
  config->PersistCookies = false;
  config->OverrideKeyPath = L"Software\\nuvak\\lumaPassV\\Browser";
  config->UserAgent = L"lumaPassV-Login/1.4";
  auto dispatcher = Dispatcher(config);
  EXPECT_TRUE(dispatcher->ForceSilent());
  EXPECT_FALSE(dispatcher->AllowPopups());
  EXPECT_FALSE(dispatcher->EnableProgressBar());
  EXPECT_FALSE(dispatcher->PersistCookies());
  EXPECT_TRUE(dispatcher->ShowWaitPage());
  EXPECT_EQ(L"Software\\nuvak\\lumaPassV\\Browser", dispatcher->GetOverrideKeyPath());
  EXPECT_EQ(L"lumaPassV-Login/1.4", dispatcher->GetUserAgent());
}

// The login's texts exist in English and German with the same placeholders.
TEST(WebLoginTextsTest, EveryTextInBothLanguages) {
  const HMODULE program = GetModuleHandleW(nullptr);
  const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LANGID german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  const struct {
    UINT id;
    const wchar_t* conversions;
  } texts[] = {{IDS_BROWSER_FOLLOW_DIRECTIONS, L""}, {IDS_BROWSER_RETRY, L""},
               {IDS_BROWSER_CANCELLED, L""},         {IDS_BROWSER_LOADING, L""},
               {IDS_BROWSER_HTTP_STATUS, L"%s%d"},   {IDS_BROWSER_UNREACHABLE, L"%s%s"}};
  for (const auto& text : texts) {
    for (const LANGID language : {english, german}) {
      const std::wstring format = LoadStringResource(program, language, text.id);
      ASSERT_FALSE(format.empty()) << text.id << " " << language;
      std::wstring found;
      for (size_t at = format.find(L'%'); at != std::wstring::npos; at = format.find(L'%', at + 2)) {
        found += format.substr(at, 2);
      }
      EXPECT_EQ(text.conversions, found) << text.id << " " << language;
    }
  }
}

}  // namespace
}  // namespace luma::ui
