// The browser login page in the authentication dialog, driven as a user would: it opens the browser
// frame by itself, a closed frame offers a retry, a login that comes back with the session cookie
// stores the token and has the service check the cached PIN with it, and a dialog that ends while
// the browser is open takes the browser with it. The browser's events come from a scripted browser
// (this platform's control renders nothing); the frame, the control window and the service are real.
#include "service/weblogin/browser_property_page.h"

#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <memory>
#include <string>

#include "foundation/win/system_utils.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/tests/auth_dialog_test_support.h"
#include "service/weblogin/tests/scripted_browser.h"
#include "service/weblogin/weblogin_resource_ids.h"
#include "ui/browser/web_helpers.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using service::testing::CAuthDialogTest;
using service::testing::Utf16;
using testing::CScriptedBrowser;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Authentication";
constexpr wchar_t kCancelled[] = L"Browser-Based Authentication cancelled";

class BrowserPageTest : public CAuthDialogTest {
 protected:
  // The account at a provider whose login runs in the browser, starting at the service's "/vault".
  CAuthContext BrowserContext(const std::wstring& alias) {
    const CAuthContext password = Context(alias);
    auto method = std::make_shared<CBrowserAuthConfig>(nullptr);
    method->service = password.providerContext->config.service;
    method->AuthCookieName = L"AL_SESS-S";
    method->AutoCloseOnError = 0;
    CProviderConfig config = password.providerContext->config;
    config.authConfig = method;
    return CAuthContext(std::make_shared<CProviderContext>(config), password.policy,
                        password.certificatePolicy);
  }
  std::wstring StartUrl() { return service.Url(L"/vault"); }

  // Runs `script` once the page's frame is open; the page and its frame are read on the dialog thread.
  bool WaitForFrame(CDialogDriver& d, CBrowserPropertyPage& page, HWND& frame) {
    const bool open = d.WaitUntil([&] {
      frame = page.FrameWindow();
      return frame != nullptr && IsWindowVisible(frame) != FALSE;
    });
    d.Settle();
    return open;
  }
};

void SavePicture(CDialogDriver& d, HWND window, const wchar_t* name, bool& saved) {
  if (!ui_test::HasDisplay()) {
    saved = true;
    return;
  }
  d.OnDialogThread([&] {
    // No window manager runs under Xvfb to make the window active; draw its caption as in front.
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    saved = ui_test::SaveWindowPicture(window, name);
  });
}

TEST_F(BrowserPageTest, StartsByItselfAndAClosedBrowserOffersRetry) {
  CAuthContext context = BrowserContext(L"alice");
  CAuthResult result;
  auto page = std::make_shared<CBrowserPropertyPage>(context, &result);
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(page);
  bool sheetDisabled = false;
  bool buttonHiddenWhileRunning = false;
  std::wstring frameCaption;
  std::wstring statusWhileRunning;
  std::wstring statusAfter;
  std::wstring buttonText;
  bool buttonShown = false;
  bool sheetEnabledAfter = false;
  bool reopened = false;
  bool savedFrame = false;
  bool savedPage = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND sheet = d.WaitForWindow(kCaption);
    ASSERT_NE(sheet, nullptr);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitForFrame(d, *page, frame));
    HWND button = CDialogDriver::Control(sheet, IDC_BROWSER_START);
    HWND status = CDialogDriver::Control(sheet, IDC_AUTH_STATUS_TEXT);
    sheetDisabled = IsWindowEnabled(sheet) == FALSE;
    buttonHiddenWhileRunning = IsWindowVisible(button) == FALSE;
    frameCaption = d.Text(frame);
    statusWhileRunning = d.Text(status);
    SavePicture(d, frame, L"browser_login_frame.png", savedFrame);
    // The user closes the browser window.
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(d.WaitUntil([&] { return !page->IsStarted() && IsWindowVisible(button) != FALSE; }));
    d.Settle();
    statusAfter = d.Text(status);
    buttonText = d.Text(button);
    buttonShown = IsWindowEnabled(button) != FALSE;
    sheetEnabledAfter = IsWindowEnabled(sheet) != FALSE;
    SavePicture(d, sheet, L"browser_login_page_retry.png", savedPage);
    // Retry opens a new browser.
    d.Click(button);
    HWND again = nullptr;
    reopened = WaitForFrame(d, *page, again) && again != frame;
    if (again != nullptr) PostMessageW(again, WM_CLOSE, 0, 0);
    ASSERT_TRUE(d.WaitUntil([&] { return !page->IsStarted(); }));
    d.Click(GetDlgItem(sheet, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(sheetDisabled);
  EXPECT_TRUE(buttonHiddenWhileRunning);
  EXPECT_EQ(kCaption, frameCaption);
  EXPECT_EQ(L"Please follow the directions in the browser window for authentication", statusWhileRunning);
  EXPECT_EQ(kCancelled, statusAfter);
  EXPECT_EQ(L"Retry authentication", buttonText);
  EXPECT_TRUE(buttonShown);
  EXPECT_TRUE(sheetEnabledAfter);
  EXPECT_TRUE(reopened);
  EXPECT_TRUE(savedFrame);
  EXPECT_TRUE(savedPage);
}

// The browser comes back to the start address with the session cookie in the browser's store.
void CompleteLogin(CDialogDriver& d, CBrowserPropertyPage& page, const std::wstring& startUrl) {
  d.OnDialogThread([&] {
    std::shared_ptr<CWebAuthDispatcher> dispatcher = page.Dispatcher();
    if (!dispatcher) return;
    CScriptedBrowser browser;
    CNavigationContext back = browser.Event(startUrl + L"?ticket=ST-42", true, 200);
    dispatcher->OnDocumentComplete(back);
  });
}

TEST_F(BrowserPageTest, CookieBecomesTheTokenAndTheCachedPinIsCheckedWithIt) {
  struct Case {
    const wchar_t* alias;
    const wchar_t* cachedPin;  // null: the certificate has no PIN
    bool pinInResult;
    bool serviceCalled;
  } cases[] = {
      {L"alice", L"1234", true, true},
      {L"alice", nullptr, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cachedPin != nullptr ? c.cachedPin : L"no PIN");
    CAuthContext context = BrowserContext(c.alias);
    if (c.cachedPin != nullptr) {
      ASSERT_TRUE(context.StorePin(Utf16(c.cachedPin)));
    } else {
      context.certificatePolicy->pinPolicy.pinConstraints.minLength = 0;
      context.certificatePolicy->pinPolicy.pinConstraints.maxLength = 0;
    }
    ASSERT_TRUE(InternetSetCookieW(StartUrl().c_str(), L"AL_SESS-S", L"portal-42"));
    const size_t requestsBefore = service.Requests().size();
    CAuthResult result;
    auto page = std::make_shared<CBrowserPropertyPage>(context, &result);
    CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
    dialog.AddPage(page);
    bool frameGone = false;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      ASSERT_NE(d.WaitForWindow(kCaption), nullptr);
      HWND frame = nullptr;
      ASSERT_TRUE(WaitForFrame(d, *page, frame));
      CompleteLogin(d, *page, StartUrl());
      frameGone = d.WaitUntil([&] { return IsWindow(frame) == FALSE; });
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    driver.Join();
    EXPECT_TRUE(frameGone);
    EXPECT_TRUE(result.token == Utf16(L"AL_SESS-S=portal-42"));
    CSecureBuffer token;
    EXPECT_TRUE(context.providerContext->tokenCache.GetToken(*context.policy, token));
    EXPECT_TRUE(token == Utf16(L"AL_SESS-S=portal-42"));
    EXPECT_EQ(c.pinInResult, result.pin == Utf16(L"1234"));
    bool verified = false;
    const auto requests = service.Requests();
    for (size_t index = requestsBefore; index < requests.size(); ++index) {
      const auto& request = requests[index];
      if (request.body.find("VerifyPin") == std::string::npos) continue;
      verified = true;
      EXPECT_EQ("AL_SESS-S=portal-42", request.Header("Cookie"));
    }
    EXPECT_EQ(c.serviceCalled, verified);
    // The cookie was taken out of the browser's store.
    CNavigationContext start(nullptr, nullptr, StartUrl(), L"");
    EXPECT_TRUE(GetCookieByName(start, L"AL_SESS-S").empty());
  }
}

TEST_F(BrowserPageTest, WrongCachedPinIsForgottenAndTheDialogWaitsWithoutPinPage) {
  CAuthContext context = BrowserContext(L"alice");
  ASSERT_TRUE(context.StorePin(Utf16(L"9999")));
  ASSERT_TRUE(InternetSetCookieW(StartUrl().c_str(), L"AL_SESS-S", L"portal-43"));
  CAuthResult result;
  auto page = std::make_shared<CBrowserPropertyPage>(context, &result);
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(page);
  bool stayed = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND sheet = d.WaitForWindow(kCaption);
    ASSERT_NE(sheet, nullptr);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitForFrame(d, *page, frame));
    CompleteLogin(d, *page, StartUrl());
    ASSERT_TRUE(d.WaitUntil([&] { return page->IsRunning(); }, 20000));  // the PIN check
    ASSERT_TRUE(d.WaitUntil([&] { return !page->IsRunning(); }, 20000));
    d.Settle();
    stayed = IsWindow(sheet) != FALSE && dialog.GetActiveIndex() == 0;
    d.Click(GetDlgItem(sheet, IDCANCEL));
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_TRUE(stayed);
  EXPECT_FALSE(context.providerContext->pinCache.IsPinCached(*context.certificatePolicy));
  EXPECT_TRUE(result.pin.empty());
}

// The dialog's countdown (or anything else) ends the sheet while the browser is open: the frame and
// its browser go with the sheet, and nothing is destroyed twice.
TEST_F(BrowserPageTest, DialogEndingWithTheBrowserOpenTakesTheBrowserAlong) {
  CAuthContext context = BrowserContext(L"alice");
  CAuthResult result;
  auto page = std::make_shared<CBrowserPropertyPage>(context, &result);
  CAuthenticationDialog dialog(nullptr, IDS_AUTH_CAPTION);
  dialog.AddPage(page);
  HWND frame = nullptr;
  HWND browserWindow = nullptr;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    ASSERT_NE(d.WaitForWindow(kCaption), nullptr);
    ASSERT_TRUE(WaitForFrame(d, *page, frame));
    browserWindow = FindWindowExW(frame, nullptr, CWebBrowserControl::kClassName, nullptr);
    d.OnDialogThread([&] { dialog.CPropertySheet::EndDialog(IDCANCEL); });
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  driver.Join();
  EXPECT_FALSE(IsWindow(frame));
  if (browserWindow != nullptr) {
    EXPECT_FALSE(IsWindow(browserWindow));
  }
  EXPECT_EQ(nullptr, page->Dispatcher());
}

}  // namespace
}  // namespace luma::ui
