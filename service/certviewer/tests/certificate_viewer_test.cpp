// The certificate viewer's own pages, shown as the system's certificate dialog hosts them, and the
// system dialog itself where the platform has one.
#include "service/certviewer/certificate_viewer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/win/system_utils.h"
#include "service/certviewer/certificate_viewer_ids.h"
#include "service/testing/vault_test_support.h"
#include "ui/framework/window.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using service::testing::Bytes;
using service::testing::VaultFixture;
using ui_test::CDialogDriver;

constexpr wchar_t kSheetCaption[] = L"Viewer pages";

// alice's signature certificate at a provider, of an account without domain or host constraints.
struct CAccount {
  CAccount() {
    certificate.alias = L"alice";
    certificate.friendlyName = L"Alice Example - Signature";
    certificate.descriptor = CCertificateDescriptor(L"alice-container", Bytes(VaultFixture(L"alice.der")));
    CPinConstraints& rules = certificate.pinPolicy.pinConstraints;
    rules.minLength = 6;
    rules.maxLength = 12;
    rules.minNumericCharacters = 2;
    rules.minUpperCaseCharacters = 1;
    certificate.pinPolicy.maxPinCacheTime = 300;
    certificate.pinPolicy.maxPinCacheReuse = 0;
    SYSTEMTIME change = {2040, 1, 0, 1, 0, 0, 0, 0};  // not due, nor before the certificate expires
    SystemTimeToFileTime(&change, &certificate.pinPolicy.nextPinChange);
    certificate.constraints.processNames = {L"*\\winword.exe", L"C:\\Tools\\signer.exe"};
    policy.issuerId = L"Example Trust Services";
    policy.userId = L"alice@example.test";
    policy.userFriendlyName = L"Alice Example";
    SYSTEMTIME time = {2026, 12, 0, 1, 9, 30, 0, 0};
    SystemTimeToFileTime(&time, &policy.thisUpdate);
    time.wYear = 2027;
    SystemTimeToFileTime(&time, &policy.nextUpdate);
  }
  CCertificatePolicy certificate;
  CPolicy policy;
};

// The viewer's pages in a plain property sheet, each handed its object the way the system's
// certificate dialog does: through a CRYPTUI_INITDIALOG_STRUCT.
INT_PTR HostPages(const CCertificateViewer& viewer) {
  std::vector<PROPSHEETPAGEW> pages(viewer.Pages().begin(), viewer.Pages().end());
  std::vector<CRYPTUI_INITDIALOG_STRUCT> handed(pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    pages[i].dwSize = sizeof(PROPSHEETPAGEW);  // this sheet steps through the copies by their size
    handed[i].lParam = pages[i].lParam;
    handed[i].pCertContext = viewer.Description().pCertContext;
    pages[i].lParam = reinterpret_cast<LPARAM>(&handed[i]);
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
  header.pszCaption = kSheetCaption;
  header.nPages = static_cast<UINT>(pages.size());
  header.ppsp = pages.data();
  return PropertySheetW(&header);
}

std::vector<std::wstring> PageTitles(const CCertificateViewer& viewer) {
  std::vector<std::wstring> titles;
  for (const CViewerPageHeader& page : viewer.Pages()) titles.push_back(page.pszTitle);
  return titles;
}

// The rows of a two-column list, "label|value", read on the list's thread.
std::vector<std::wstring> Rows(HWND list) {
  std::vector<std::wstring> rows;
  const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring row;
    for (int column = 0; column < 2; ++column) {
      wchar_t text[256] = {};
      LVITEMW item = {};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = 256;
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      row += column == 0 ? std::wstring(text) + L"|" : std::wstring(text);
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(CertificateViewerTest, PagesFollowTheSettingsAndDescribeTheDialog) {
  CAccount account;
  const CCertificateViewer all(account.certificate, account.policy, true, true, false);
  EXPECT_EQ((std::vector<std::wstring>{L"Password", L"Account", L"Restrictions"}), PageTitles(all));
  EXPECT_EQ(0x50014u, all.Description().dwFlags);
  EXPECT_EQ(std::wstring(L"Alice Example - Signature"), all.Description().szTitle);
  EXPECT_NE(nullptr, all.Description().pCertContext);
  EXPECT_EQ(3u, all.Description().cPropSheetPages);

  account.certificate.constraints.processNames.clear();
  const CCertificateViewer unrestricted(account.certificate, account.policy, false, true, true);
  EXPECT_EQ((std::vector<std::wstring>{L"Password"}), PageTitles(unrestricted));
  EXPECT_EQ(0x10814u, unrestricted.Description().dwFlags);
}

TEST(CertificateViewerTest, PasswordAccountAndRestrictionsPagesShowTheCopies) {
  CAccount account;
  CCertificateViewer viewer(account.certificate, account.policy, true, true, false);
  // The viewer keeps its own copies: a change of the account's policy meanwhile is not shown.
  account.policy.userId = L"changed@example.test";
  account.certificate.pinPolicy.maxPinCacheTime = 1;
  std::vector<std::wstring> password;
  bool lengthEnabled = false;
  bool symbolsEnabled = true;
  std::vector<std::wstring> accountRows;
  std::vector<std::wstring> programs;
  bool checkEnabled = false;
  bool saved = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kSheetCaption);
    ASSERT_NE(window, nullptr);
    d.Settle();
    for (int id :
         {IDC_VIEWER_CHANGE_TEXT, IDC_VIEWER_CACHE_TEXT, IDC_VIEWER_RULE_LENGTH, IDC_VIEWER_RULE_UPPER,
          IDC_VIEWER_RULE_LOWER, IDC_VIEWER_RULE_DIGITS, IDC_VIEWER_RULE_SYMBOLS}) {
      password.push_back(d.Text(CDialogDriver::Control(window, id)));
    }
    lengthEnabled = IsWindowEnabled(CDialogDriver::Control(window, IDC_VIEWER_RULE_LENGTH)) != FALSE;
    symbolsEnabled = IsWindowEnabled(CDialogDriver::Control(window, IDC_VIEWER_RULE_SYMBOLS)) != FALSE;
    if (ui_test::HasDisplay()) {
      d.OnDialogThread([&] {
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        saved = ui_test::SaveWindowPicture(window, L"certificate_viewer_password_page.png");
      });
    }
    d.OnDialogThread([&] { SendMessageW(window, PSM_SETCURSEL, 1, 0); });
    d.Settle();
    d.OnDialogThread([&] { accountRows = Rows(CDialogDriver::Control(window, IDC_VIEWER_ACCOUNT_LIST)); });
    d.OnDialogThread([&] { SendMessageW(window, PSM_SETCURSEL, 2, 0); });
    d.Settle();
    d.OnDialogThread([&] {
      for (const std::wstring& row : Rows(CDialogDriver::Control(window, IDC_VIEWER_PROGRAM_LIST)))
        programs.push_back(row.substr(0, row.find(L'|')));
      checkEnabled = IsWindowEnabled(CDialogDriver::Control(window, IDC_VIEWER_CHECK_FILE)) != FALSE;
    });
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  HostPages(viewer);
  driver.Join();
  ASSERT_EQ(7u, password.size());
  EXPECT_EQ(L"No change of password required", password[0]);
  EXPECT_EQ(L"Password is cached for 300 seconds", password[1]);
  EXPECT_EQ(L"Length is between 6 and 12 characters", password[2]);
  EXPECT_EQ(L"Contains at least one upper-case letter", password[3]);
  EXPECT_EQ(L"No lower-case letters required", password[4]);
  EXPECT_EQ(L"Contains at least 2 digits", password[5]);
  EXPECT_EQ(L"No special characters required", password[6]);
  EXPECT_TRUE(lengthEnabled);
  EXPECT_FALSE(symbolsEnabled);
  ASSERT_EQ(5u, accountRows.size()) << "no domain or host rows without constraints";
  EXPECT_EQ(L"Provider |Example Trust Services", accountRows[0]);
  EXPECT_EQ(L"User ID |alice@example.test", accountRows[1]);
  EXPECT_EQ(L"User friendly name |Alice Example", accountRows[2]);
  EXPECT_EQ(L"Last refresh |" + FormatFileTime(account.policy.thisUpdate), accountRows[3]);
  EXPECT_EQ(L"Refresh required |" + FormatFileTime(account.policy.nextUpdate), accountRows[4]);
  EXPECT_EQ((std::vector<std::wstring>{L"*\\winword.exe", L"C:\\Tools\\signer.exe"}), programs);
  EXPECT_TRUE(checkEnabled);
  if (ui_test::HasDisplay()) {
    EXPECT_TRUE(saved);
  }
}

TEST(CertificateViewerTest, CertificateWithoutPasswordSaysSoInChangeAndCache) {
  CAccount account;
  account.certificate.pinPolicy.pinConstraints = CPinConstraints();
  account.certificate.pinPolicy.pinConstraints.minUpperCaseCharacters = 1;
  account.policy.constraints.domain = L"EXAMPLE";
  account.policy.constraints.hostname = L"SIGNER-PC";
  CCertificateViewer viewer(account.certificate, account.policy, true, false, false);
  std::wstring change, cache, length, upper;
  bool lengthEnabled = true;
  std::vector<std::wstring> accountRows;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kSheetCaption);
    ASSERT_NE(window, nullptr);
    d.Settle();
    change = d.Text(CDialogDriver::Control(window, IDC_VIEWER_CHANGE_TEXT));
    cache = d.Text(CDialogDriver::Control(window, IDC_VIEWER_CACHE_TEXT));
    length = d.Text(CDialogDriver::Control(window, IDC_VIEWER_RULE_LENGTH));
    upper = d.Text(CDialogDriver::Control(window, IDC_VIEWER_RULE_UPPER));
    lengthEnabled = IsWindowEnabled(CDialogDriver::Control(window, IDC_VIEWER_RULE_LENGTH)) != FALSE;
    d.OnDialogThread([&] { SendMessageW(window, PSM_SETCURSEL, 1, 0); });
    d.Settle();
    d.OnDialogThread([&] { accountRows = Rows(CDialogDriver::Control(window, IDC_VIEWER_ACCOUNT_LIST)); });
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  HostPages(viewer);
  driver.Join();
  EXPECT_EQ(L"No password is required for private key operations", change);
  EXPECT_EQ(L"No password is required for private key operations", cache);
  EXPECT_EQ(L"No length restrictions", length);
  EXPECT_FALSE(lengthEnabled);
  EXPECT_EQ(L"Contains at least one upper-case letter", upper) << "the counts still show";
  ASSERT_EQ(7u, accountRows.size());
  EXPECT_EQ(L"Domain restriction |EXAMPLE", accountRows[5]);
  EXPECT_EQ(L"Host restriction |SIGNER-PC", accountRows[6]);
}

struct TabSearch {
  std::vector<std::wstring> titles;
};

BOOL CALLBACK ReadTabs(HWND child, LPARAM parameter) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (std::wstring(name) != L"SysTabControl32") return TRUE;
  auto* search = reinterpret_cast<TabSearch*>(parameter);
  const auto count = static_cast<int>(SendMessageW(child, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(child, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    search->titles.push_back(text);
  }
  return FALSE;
}

// The system's own dialog with the pages added. The platform may lack the dialog, or show it without
// the pages a caller adds (Wine's does): the probe finds out and the test says so.
TEST(CertificateViewerTest, SystemDialogShowsTheProgramsPages) {
  const CModuleHandle cryptui(LoadLibraryW(L"cryptui.dll"));
  if (!cryptui || GetProcAddress(cryptui.get(), "CryptUIDlgViewCertificateW") == nullptr)
    GTEST_SKIP() << "this platform has no certificate dialog (cryptui.dll)";
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "the system dialog needs a display";
  CAccount account;
  CCertificateViewer viewer(account.certificate, account.policy, true, true, false);
  TabSearch tabs;
  bool found = false;
  bool saved = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(L"Alice Example - Signature", 20000);
    ASSERT_NE(window, nullptr) << "the dialog is titled with the certificate's name";
    found = true;
    d.OnDialogThread([&] {
      EnumChildWindows(window, &ReadTabs, reinterpret_cast<LPARAM>(&tabs));
      // The picture shows the program's Password page where the dialog has it.
      for (size_t i = 0; i < tabs.titles.size(); ++i) {
        if (tabs.titles[i] == L"Password") SendMessageW(window, PSM_SETCURSEL, i, 0);
      }
    });
    d.Settle();
    d.OnDialogThread([&] {
      SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
      RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      saved = ui_test::SaveWindowPicture(window, L"certificate_viewer_system_dialog.png");
    });
    d.OnDialogThread([&] { PostMessageW(window, WM_CLOSE, 0, 0); });
  });
  EXPECT_TRUE(viewer.Show(nullptr));
  driver.Join();
  ASSERT_TRUE(found);
  EXPECT_TRUE(saved);
  bool hasPassword = false;
  for (const std::wstring& title : tabs.titles) hasPassword = hasPassword || title == L"Password";
  if (!hasPassword) {
    std::wstring shown;
    for (const std::wstring& title : tabs.titles) shown += L" \"" + title + L"\"";
    GTEST_SKIP() << "the platform's certificate dialog leaves out the pages a caller adds; its tabs:"
                 << std::string(shown.begin(), shown.end());
  }
  ASSERT_GE(tabs.titles.size(), 3u);
  const std::vector<std::wstring> added(tabs.titles.end() - 3, tabs.titles.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Password", L"Account", L"Restrictions"}), added)
      << "after the system's own";
}

}  // namespace
}  // namespace luma::ui
