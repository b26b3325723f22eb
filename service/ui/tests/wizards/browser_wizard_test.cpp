// The wizards' browser pages with a provider whose login runs in the browser: the browser frame
// opens by itself, a closed frame offers a retry, and a login that comes back with the session
// cookie has the policy fetched with it. The browser's events come from a scripted browser (this
// platform's control renders nothing); the frame, the pages and the service are real.
#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <list>
#include <memory>
#include <string>

#include "foundation/win/system_utils.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/refresh_account_wizard.h"
#include "service/ui/tests/wizards/wizard_test_support.h"
#include "service/ui/wizard_browser_pages.h"
#include "service/ui/wizard_resource_ids.h"
#include "service/weblogin/tests/scripted_browser.h"

namespace luma::service::testing {
namespace {

using luma::ui::CAddAccountWizard;
using luma::ui::CAddWizBrowserPage;
using luma::ui::CProviderContextMap;
using luma::ui::CRefreshAccountWizard;
using luma::ui::CRefreshWizBrowserPage;
using luma::ui::CWizardBrowserLogin;
using luma::ui::testing::CScriptedBrowser;
using ui_test::CDialogDriver;

constexpr DWORD kWait = 20000;

// The page's browser frame, once it shows.
bool WaitForFrame(CDialogDriver& d, const CWizardBrowserLogin& login, HWND& frame) {
  const bool open = d.WaitUntil([&] {
    frame = login.FrameWindow();
    return frame != nullptr && IsWindowVisible(frame) != FALSE;
  });
  d.Settle();
  return open;
}

// The browser comes back to the start address, where the service has set anna's session cookie.
void CompleteLogin(CDialogDriver& d, const CWizardBrowserLogin& login, const std::wstring& startUrl) {
  d.OnDialogThread([&] {
    ASSERT_TRUE(InternetSetCookieW(startUrl.c_str(), L"SESSION", L"anna"));
    std::shared_ptr<luma::ui::CWebAuthDispatcher> dispatcher = login.Dispatcher();
    if (!dispatcher) return;
    CScriptedBrowser browser;
    luma::ui::CNavigationContext back = browser.Event(startUrl + L"?ticket=ST-42", true, 200);
    dispatcher->OnDocumentComplete(back);
  });
}

TEST_F(CWizardTest, BrowserLoginAddsTheAccountAfterARetry) {
  CProviderContextPtr provider = Provider(L"PORTAL", AUTH_TYPE_BROWSER);
  CProviderContextMap providers = {{L"PORTAL", provider}};
  CAddAccountWizard wizard(nullptr, providers);
  ASSERT_EQ(2, wizard.Sheet().GetPageCount());
  auto* page = dynamic_cast<CAddWizBrowserPage*>(wizard.Sheet().GetPage(0));
  ASSERT_NE(nullptr, page);
  std::wstring statusWhileOpen, statusAfterClose, retryText, finishText;
  bool sheetDisabled = false, retryShown = false, forwardAfterClose = true, onFinish = false;
  bool shots[2] = {false, false};
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(L"luma-Pass V - Add Account");
    ASSERT_NE(window, nullptr);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitForFrame(d, page->Login(), frame));
    HWND status = CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT);
    HWND retry = CDialogDriver::Control(window, IDC_WIZ_RETRY);
    statusWhileOpen = d.Text(status);
    sheetDisabled = IsWindowEnabled(window) == FALSE;
    PostMessageW(frame, WM_CLOSE, 0, 0);  // the user closes the browser
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowVisible(retry) != FALSE; }));
    d.Settle();
    statusAfterClose = d.Text(status);
    retryText = d.Text(retry);
    retryShown = IsWindowEnabled(retry) != FALSE;
    forwardAfterClose = IsWindowEnabled(ForwardButton(window)) != FALSE;
    shots[0] = SavePicture(d, window, L"add_wizard_browser_page.png");
    d.Click(retry);
    ASSERT_TRUE(WaitForFrame(d, page->Login(), frame));
    CompleteLogin(d, page->Login(), service.Url(L"/vault"));
    onFinish = d.WaitUntil([&] { return wizard.Sheet().GetActiveIndex() == 1; }, kWait);
    ASSERT_TRUE(onFinish);
    d.Settle();
    finishText = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    shots[1] = SavePicture(d, window, L"add_wizard_finish_after_browser.png");
    d.Click(GetDlgItem(window, luma::ui::kWizardFinishId));
  });
  wizard.DoModal();
  driver.Join();
  EXPECT_EQ(L"Please follow the directions in the browser window for authentication", statusWhileOpen);
  EXPECT_TRUE(sheetDisabled);
  EXPECT_EQ(L"Browser-Based Authentication cancelled", statusAfterClose);
  EXPECT_EQ(L"Retry authentication", retryText);
  EXPECT_TRUE(retryShown);
  EXPECT_FALSE(forwardAfterClose);
  EXPECT_EQ(L"Account configuration successfully retrieved. Click Finish to activate the account.",
            finishText);
  EXPECT_TRUE(shots[0] && shots[1]);
  std::list<CPolicyPtr> stored;
  provider->GetPolicies(stored);
  ASSERT_EQ(1u, stored.size());
  EXPECT_EQ(L"portal/anna", stored.front()->accountKey);
  EXPECT_TRUE(HasToken(*provider, *stored.front()));
}

// The refresh's silent check finds the session gone and the browser page follows; its login stores
// the new policy with the browser's session and ends the wizard.
TEST_F(CWizardTest, RefreshAfterExpiryLogsInInTheBrowser) {
  CProviderContextPtr provider = Provider(L"PORTAL", AUTH_TYPE_BROWSER);
  CPolicyPtr account = AnnaPolicy(*provider);
  ASSERT_TRUE(account);
  provider->AddPolicy(account, true);
  CRefreshAccountWizard wizard(nullptr, provider, account);
  ASSERT_EQ(2, wizard.Sheet().GetPageCount());
  auto* page = dynamic_cast<CRefreshWizBrowserPage*>(wizard.Sheet().GetPage(1));
  ASSERT_NE(nullptr, page);
  bool shot = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(L"luma-Pass V - Refresh Account");
    ASSERT_NE(window, nullptr);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitForFrame(d, page->Login(), frame));
    shot = SavePicture(d, window, L"refresh_wizard_browser_page.png");
    CompleteLogin(d, page->Login(), service.Url(L"/vault"));
    d.WaitUntil([&] { return !IsWindow(window); }, kWait);
  });
  EXPECT_EQ(IDOK, wizard.DoModal());
  driver.Join();
  EXPECT_TRUE(shot);
  EXPECT_TRUE(HasToken(*provider, *account)) << "the browser's session is cached";
}

}  // namespace
}  // namespace luma::service::testing
