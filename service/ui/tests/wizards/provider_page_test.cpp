// The provider page and the silent check page of the add-account wizard.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "service/ui/add_account_wizard.h"
#include "service/ui/tests/wizards/wizard_test_support.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma::service::testing {
namespace {

using luma::ui::CAddAccountWizard;
using luma::ui::CProviderContextMap;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Add Account";
constexpr DWORD kWait = 20000;

size_t StoredCount(CProviderContext& provider) {
  std::list<CPolicyPtr> policies;
  provider.GetPolicies(policies);
  return policies.size();
}

// The provider page lists every provider and stays while one without a login page is chosen; the
// chosen integrated provider's silent login then runs by itself. Its account is stored on Finish,
// unless its policy is limited to another Windows domain, which the page refuses with its message.
TEST_F(CWizardTest, ProviderPageLeadsToTheSilentLoginOfTheChosenProvider) {
  struct Case {
    const wchar_t* servicePath;
    bool stored;
    const wchar_t* box;
  } cases[] = {
      {L"/vault/integrated/anna", true, L""},
      {L"/vault/integrated/bob", false,
       L"Account Policy Error: The account is not allowed to be used in the current Windows Domain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.servicePath);
    CProviderContextPtr basic = Provider(L"BASIC", AUTH_TYPE_PASSWORD);
    CProviderContextPtr tokens = Provider(L"EXAMPLE", AUTH_TYPE_OTP);
    CProviderContextPtr intranet = Provider(L"INTRANET", AUTH_TYPE_KERBEROS, false, c.servicePath);
    CProviderContextMap providers = {{L"BASIC", basic}, {L"EXAMPLE", tokens}, {L"INTRANET", intranet}};
    CAddAccountWizard wizard(nullptr, providers);
    ASSERT_EQ(4, wizard.Sheet().GetPageCount()) << "provider, check, one-time-password and finish pages";
    std::vector<std::wstring> listed;
    std::wstring prompt, boxText, status;
    int pageAfterBasic = -1;
    bool finished = false, forwardAfterRefusal = true;
    bool shots[2] = {false, false};
    const bool first = c.stored;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption);
      ASSERT_NE(window, nullptr);
      d.Settle();
      HWND list = CDialogDriver::Control(window, IDC_WIZ_PROVIDER_LIST);
      prompt = d.Text(CDialogDriver::Control(window, IDC_WIZ_PROVIDER_PROMPT));
      d.OnDialogThread([&] {
        const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
          wchar_t name[64] = {};
          if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < 64)
            SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
          listed.push_back(name);
        }
      });
      if (first) shots[0] = SavePicture(d, window, L"add_wizard_provider_page.png");
      d.Click(ForwardButton(window));  // BASIC, selected at the start
      d.Settle();
      pageAfterBasic = wizard.Sheet().GetActiveIndex();
      d.OnDialogThread([&] { SendMessageW(list, CB_SETCURSEL, 2, 0); });
      d.Click(ForwardButton(window));
      ASSERT_TRUE(d.WaitUntil([&] { return wizard.Sheet().GetActiveIndex() == 1; }, kWait));
      if (first) shots[1] = SavePicture(d, window, L"add_wizard_check_page.png");  // while it runs
      if (c.stored) {
        ASSERT_TRUE(d.WaitUntil([&] { return wizard.Sheet().GetActiveIndex() == 3; }, kWait));
        d.Settle();
        d.Click(GetDlgItem(window, luma::ui::kWizardFinishId));
        finished = d.WaitUntil([&] { return !IsWindow(window); }, kWait);
        return;
      }
      HWND box = WaitForMessageBox(window);
      ASSERT_NE(box, nullptr);
      boxText = MessageBoxText(box);
      d.Click(GetDlgItem(box, IDOK));
      d.Settle();
      status = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
      forwardAfterRefusal = IsWindowEnabled(ForwardButton(window)) != FALSE;
      d.Click(GetDlgItem(window, IDCANCEL));
    });
    wizard.DoModal();
    driver.Join();
    EXPECT_EQ(L"Please select the provider from the list of available providers:", prompt);
    EXPECT_EQ((std::vector<std::wstring>{L"BASIC Services", L"Example Trust Services", L"INTRANET Services"}),
              listed);
    EXPECT_EQ(0, pageAfterBasic) << "a provider without login page keeps the wizard on the provider page";
    if (first) {
      EXPECT_TRUE(shots[0] && shots[1]);
    }
    EXPECT_EQ(c.stored, finished);
    EXPECT_EQ(c.box, boxText);
    EXPECT_EQ(c.stored ? 1u : 0u, StoredCount(*intranet));
    EXPECT_EQ(0u, StoredCount(*basic) + StoredCount(*tokens));
    if (!c.stored) {
      EXPECT_EQ(L"The account is not allowed to be used in the current Windows Domain", status);
      EXPECT_FALSE(forwardAfterRefusal) << "no retry after a refused policy: only Cancel is left";
    }
  }
}

}  // namespace
}  // namespace luma::service::testing
