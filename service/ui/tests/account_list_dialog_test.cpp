#include "service/ui/account_list_dialog.h"

#include <gtest/gtest.h>

#include <thread>

#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/ui/main_frame.h"
#include "service/ui/tests/ui_test_support.h"
#include "service/ui/ui_resource_ids.h"
#include "ui/core/account_list_rows.h"
#include "ui/framework/app_window.h"
#include "ui/testing/dialog_driver.h"

namespace luma {
namespace ui {
namespace {

using ui_test::CDialogDriver;

constexpr const wchar_t* kCaption = L"luma-Pass V - Registered Accounts";

// Posts the refresh message to the open list on every policy change, as the main frame does.
class CListNotifier : public CPolicyObserver {
 public:
  void PolicyAdded(const CPolicyPtr&) override { Post(); }
  void PolicyRemoved(const CPolicyPtr&) override { Post(); }
  void PolicyUpdated(const CPolicyPtr&) override { Post(); }
  std::atomic<HWND> list{nullptr};

 private:
  void Post() {
    if (HWND target = list) PostMessageW(target, CMainFrame::PolicyInformationUpdatedMessage(), 0, 0);
  }
};

class CCountingListHost : public CAccountListHost {
 public:
  void OnAppAbout() override { ++about; }
  void UpdateTrayStatus(bool notify) override {
    ++trayUpdates;
    EXPECT_FALSE(notify);
  }
  std::wstring VersionText() const override { return L"luma-Pass V 1.4.0.0"; }
  int about = 0;
  int trayUpdates = 0;
};

// A real certificate (an ephemeral key, so nothing is left in the key containers), for the expiry
// column; null when the platform cannot make one.
CSecureBuffer MakeCertificate(const std::wstring& name, int daysValid) {
  CCryptProviderHandle provider;
  if (!CryptAcquireContextW(provider.put(), nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT)) {
    return CSecureBuffer();
  }
  HCRYPTKEY key = 0;
  if (!CryptGenKey(provider.get(), AT_SIGNATURE, (1024u << 16), &key)) return CSecureBuffer();
  CryptDestroyKey(key);
  const std::wstring x500 = L"CN=" + name;
  BYTE subjectBytes[256];
  DWORD subjectSize = sizeof subjectBytes;
  if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, subjectBytes,
                      &subjectSize, nullptr)) {
    return CSecureBuffer();
  }
  CERT_NAME_BLOB subject = {subjectSize, subjectBytes};
  SYSTEMTIME start;
  SYSTEMTIME end;
  const FILETIME startTime = ui_test::DaysFromNow(-30);
  const FILETIME endTime = ui_test::DaysFromNow(daysValid);
  FileTimeToSystemTime(&startTime, &start);
  FileTimeToSystemTime(&endTime, &end);
  const CCertContextHandle made(
      CertCreateSelfSignCertificate(provider.get(), &subject, 0, nullptr, nullptr, &start, &end, nullptr));
  if (!made) return CSecureBuffer();
  return CSecureBuffer(made.get()->cbCertEncoded, made.get()->pbCertEncoded);
}

void GivePassword(CCertificatePolicy& certificate, int daysToChange) {
  certificate.pinPolicy.pinConstraints.minLength = 4;
  certificate.pinPolicy.pinConstraints.maxLength = 8;
  certificate.pinPolicy.nextPinChange = ui_test::DaysFromNow(daysToChange);
}

std::wstring ItemText(HWND list, int item, int column) {
  wchar_t text[256] = {};
  LVITEMW entry = {};
  entry.iSubItem = column;
  entry.pszText = text;
  entry.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
  return text;
}

int ItemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

int FindItem(HWND list, const std::wstring& name) {
  for (int i = 0; i < ItemCount(list); ++i) {
    if (ItemText(list, i, 0) == name) return i;
  }
  return -1;
}

// What a click on the row does to the list: selected, focused, the selection mark.
void SelectItem(HWND list, int item) {
  LVITEMW entry = {};
  entry.state = LVIS_SELECTED | LVIS_FOCUSED;
  entry.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, item);
}

std::wstring TestName() {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  return std::wstring(name.begin(), name.end());
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

class AccountListDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings->NotifyPINChangeDaysBefore = 7;
    settings->NotifyRefreshDaysBefore = 0;
    settings->AllowDisablingCertificates = true;
    CProviderConfig config;
    config.name = L"ACME";
    config.Name = L"ACME Trust Services";
    config.AccountManagementURL = L"https://portal.acme.test/account";
    config.authConfig = std::make_shared<CAuthConfig>(2, true);
    acme = std::make_shared<CProviderContext>(config);
    contexts[L"ACME"] = acme;
    acme->AddObserver(&notifier);

    alice = ui_test::MakeAccount(L"alice", 200, {L"Alice Signature", L"Alice Encryption"});
    alice->userFriendlyName = L"Alice Example";
    GivePassword(*alice->certificatePolicies[0], 300);
    GivePassword(*alice->certificatePolicies[1], 3);
    bob = ui_test::MakeAccount(L"bob", -2, {L"Bob Authentication"});
    bob->userFriendlyName = L"Bob Sample";
    int serial = 0;
    for (const CPolicyPtr& policy : {alice, bob}) {
      for (const CCertificatePolicyPtr& certificate : policy->certificatePolicies) {
        certificate->alias = UniqueAlias(++serial);
        const CSecureBuffer encoded = MakeCertificate(certificate->friendlyName, 400 + 100 * serial);
        if (encoded.size != 0) certificate->descriptor = CCertificateDescriptor(certificate->alias, encoded);
      }
    }
    acme->AddPolicy(alice, false);
    acme->AddPolicy(bob, false);

    system.messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
      boxes.push_back(text);
      EXPECT_EQ(caption, L"luma-Pass V");
      lastBoxType = type;
      return boxAnswer;
    };
    system.openUrl = [this](const std::wstring& url) { urls.push_back(url); };
    system.runSheet = [this](CBasePropertySheet& sheet) {
      sheets.push_back(sheet.CaptionId());
      sheetBusy = dialog->IsBusy();
      if (onSheet) onSheet();
      return static_cast<INT_PTR>(IDOK);
    };
    system.showDetails = [this](HWND, const CCertificatePolicy& certificate, const CPolicy& policy,
                                const CLumaPassVConfig&) {
      details.push_back(policy.userId + L":" + certificate.alias);
    };
    system.layoutKey = std::wstring(CAccountDialogLayout::kKeyPath) + L"Test\\" + TestName();
    RegDeleteKeyExW(HKEY_CURRENT_USER, system.layoutKey.c_str(), KEY_WOW64_64KEY, 0);
  }

  void TearDown() override {
    acme->RemoveObserver(&notifier);
    RegDeleteKeyExW(HKEY_CURRENT_USER, system.layoutKey.c_str(), KEY_WOW64_64KEY, 0);
  }

  std::wstring UniqueAlias(int serial) const {
    return TestName().substr(0, 20) + L"-" + std::to_wstring(serial) + L"-" +
           std::to_wstring(GetCurrentProcessId());
  }

  // Runs the list with the script on the driver thread; the list's result.
  INT_PTR Run(const std::function<void(CDialogDriver&, HWND)>& script) {
    dialog = std::make_unique<CAccountListDialog>(nullptr, contexts, settings, &host, system);
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption);
      ASSERT_NE(window, nullptr);
      notifier.list = window;
      d.Settle();
      script(d, window);
      notifier.list = nullptr;
      if (IsWindow(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const INT_PTR result = dialog->DoModal();
    driver.Join();
    return result;
  }

  // Selects the row named `name` on the dialog thread and lets the notifications arrive.
  void Select(CDialogDriver& d, HWND window, const std::wstring& name) {
    d.OnDialogThread([&] {
      HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
      const int item = FindItem(list, name);
      ASSERT_GE(item, 0) << "no row " << std::string(name.begin(), name.end());
      SelectItem(list, item);
    });
    d.Settle();
  }

  std::shared_ptr<CLumaPassVConfig> settings = std::make_shared<CLumaPassVConfig>();
  CProviderContextPtr acme;
  CProviderContextMap contexts;
  CPolicyPtr alice;
  CPolicyPtr bob;
  CListNotifier notifier;
  CCountingListHost host;
  CAccountListSystem system;
  std::unique_ptr<CAccountListDialog> dialog;
  ui_test::CGdiPlusSession gdiPlus;

  std::vector<std::wstring> boxes;
  UINT lastBoxType = 0;
  int boxAnswer = IDNO;
  std::vector<std::wstring> urls;
  std::vector<UINT> sheets;
  bool sheetBusy = false;
  std::function<void()> onSheet;
  std::vector<std::wstring> details;
};

// Two accounts of one provider: every certificate a row with its expiry date, picture and status; the
// buttons follow the selection; a picture of the whole window is kept.
TEST_F(AccountListDialogTest, ShowsTwoAccountsWithDatesStatesAndButtons) {
  struct Row {
    std::wstring name, status;
    int image;
    bool checked;
  };
  std::vector<Row> shown;
  bool saved = false;
  bool buttonsOffAtStart = false, addOnAtStart = false;
  accounts::ButtonStates onSignature, onBob;
  std::wstring validity;
  std::wstring expectedValidity;
  Run([&](CDialogDriver& d, HWND window) {
    d.OnDialogThread([&] {
      HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
      for (int i = 0; i < ItemCount(list); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_STATE;
        item.iItem = i;
        item.stateMask = LVIS_STATEIMAGEMASK;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        shown.push_back({ItemText(list, i, 0), ItemText(list, i, 2), item.iImage, (item.state >> 12) == 2});
      }
      validity = ItemText(list, FindItem(list, L"Alice Signature"), 1);
      buttonsOffAtStart = !Enabled(window, IDC_ACCOUNT_DETAILS) && !Enabled(window, IDC_ACCOUNT_CHANGE_PIN) &&
                          !Enabled(window, IDC_ACCOUNT_REMOVE) && !Enabled(window, IDC_ACCOUNT_REFRESH) &&
                          !Enabled(window, IDC_ACCOUNT_MANAGE);
      addOnAtStart = Enabled(window, IDC_ACCOUNT_ADD);
    });
    if (ui_test::HasDisplay()) {
      Select(d, window, L"Alice Signature");
      d.OnDialogThread([&] { saved = ui_test::SaveWindowPicture(window, L"account_list_two_accounts.png"); });
    }
    auto buttons = [&] {
      accounts::ButtonStates states;
      d.OnDialogThread([&] {
        states = {Enabled(window, IDC_ACCOUNT_DETAILS), Enabled(window, IDC_ACCOUNT_CHANGE_PIN),
                  Enabled(window, IDC_ACCOUNT_REMOVE), Enabled(window, IDC_ACCOUNT_REFRESH),
                  Enabled(window, IDC_ACCOUNT_MANAGE)};
      });
      return states;
    };
    Select(d, window, L"Alice Signature");
    onSignature = buttons();
    Select(d, window, L"Bob Authentication");
    onBob = buttons();
    d.Click(GetDlgItem(window, IDC_ACCOUNT_MANAGE));
    d.Click(GetDlgItem(window, IDC_ACCOUNT_DETAILS));
    d.Settle();
  });

  // The list is sorted by the certificate's name; Wine's list view shows no groups.
  ASSERT_EQ(shown.size(), 3u);
  std::sort(shown.begin(), shown.end(), [](const Row& a, const Row& b) { return a.name < b.name; });
  EXPECT_EQ(shown[0].name, L"Alice Encryption");
  EXPECT_EQ(shown[0].status, L"Password must be changed within 3 days");
  EXPECT_EQ(shown[0].image, 1);
  EXPECT_EQ(shown[1].name, L"Alice Signature");
  EXPECT_EQ(shown[1].status, L"Ok");
  EXPECT_EQ(shown[1].image, 0);
  EXPECT_EQ(shown[2].name, L"Bob Authentication");
  EXPECT_EQ(shown[2].status, L"Account refresh required");
  EXPECT_EQ(shown[2].image, 2);
  for (const Row& row : shown) EXPECT_TRUE(row.checked) << "enabled certificates are checked";

  if (PCCERT_CONTEXT certificate = alice->certificatePolicies[0]->descriptor.GetCertificate()) {
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&certificate->pCertInfo->NotAfter, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    wchar_t text[16];
    swprintf(text, 16, L"%02d.%02d.%04d", local.wDay, local.wMonth, local.wYear);
    EXPECT_EQ(validity, text);
  } else {
    ADD_FAILURE() << "no test certificate could be made";
  }
  EXPECT_TRUE(buttonsOffAtStart);
  EXPECT_TRUE(addOnAtStart);
  EXPECT_EQ(onSignature, (accounts::ButtonStates{true, true, true, true, true}));
  EXPECT_EQ(onBob, (accounts::ButtonStates{true, false, true, true, true}))
      << "Bob's certificate has no password";
  EXPECT_EQ(urls, (std::vector<std::wstring>{L"https://portal.acme.test/account"}));
  EXPECT_EQ(details, (std::vector<std::wstring>{L"bob:" + bob->certificatePolicies[0]->alias}));
  EXPECT_GE(host.trayUpdates, 1);
  if (ui_test::HasDisplay()) {
    EXPECT_TRUE(saved);
  }
}

// The same list in German, when this process has not fixed its interface language yet.
TEST_F(AccountListDialogTest, ShowsTheListInGerman) {
  SetUILanguageOverride(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  if (FormatResourceString(IDS_ACCOUNT_LIST_CAPTION) != L"luma-Pass V - Registrierte Konten") {
    GTEST_SKIP() << "the interface language was fixed earlier in this process";
  }
  std::vector<std::wstring> statuses;
  std::wstring column;
  bool saved = false;
  dialog = std::make_unique<CAccountListDialog>(nullptr, contexts, settings, &host, system);
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(L"luma-Pass V - Registrierte Konten");
    ASSERT_NE(window, nullptr);
    d.Settle();
    Select(d, window, L"Alice Encryption");
    d.OnDialogThread([&] {
      HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
      for (int i = 0; i < ItemCount(list); ++i) statuses.push_back(ItemText(list, i, 2));
      wchar_t text[64] = {};
      LVCOLUMNW header = {};
      header.mask = LVCF_TEXT;
      header.pszText = text;
      header.cchTextMax = 64;
      SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&header));
      column = text;
      if (ui_test::HasDisplay())
        saved = ui_test::SaveWindowPicture(window, L"account_list_two_accounts_de.png");
    });
    PostMessageW(window, WM_CLOSE, 0, 0);
  });
  dialog->DoModal();
  driver.Join();
  std::sort(statuses.begin(), statuses.end());
  EXPECT_EQ(statuses, (std::vector<std::wstring>{L"Kontoaktualisierung erforderlich", L"OK",
                                                 L"Passwort muss innerhalb von 3 Tagen geändert werden"}));
  EXPECT_EQ(column, L"Gültig bis");
  if (ui_test::HasDisplay()) {
    EXPECT_TRUE(saved);
  }
}

// Add and Refresh run their wizards while the list counts as busy; what the wizards store comes back
// as a policy change, and the selected certificate stays selected through the refresh.
TEST_F(AccountListDialogTest, AddAndRefreshRunTheirWizardsAndTheListFollows) {
  int rowsAfterAdd = 0;
  std::wstring selectedAfterRefresh;
  bool refreshEnabledAfter = false;
  Run([&](CDialogDriver& d, HWND window) {
    HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
    onSheet = [&] { acme->AddPolicy(ui_test::MakeAccount(L"carol", 100, {L"Carol Signature"}), false); };
    d.Click(GetDlgItem(window, IDC_ACCOUNT_ADD));
    d.Settle();
    d.OnDialogThread([&] { rowsAfterAdd = ItemCount(list); });

    Select(d, window, L"Alice Signature");
    onSheet = [&] {
      // The refreshed account: same certificates, a later update date.
      auto refreshed = std::make_shared<CPolicy>(*alice);
      refreshed->nextUpdate = ui_test::DaysFromNow(365);
      acme->AddPolicy(refreshed, false);
    };
    d.Click(GetDlgItem(window, IDC_ACCOUNT_REFRESH));
    d.Settle();
    d.OnDialogThread([&] {
      const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
      if (mark >= 0) selectedAfterRefresh = ItemText(list, mark, 0);
      refreshEnabledAfter = Enabled(window, IDC_ACCOUNT_REFRESH);
    });
  });
  EXPECT_EQ(sheets, (std::vector<UINT>{IDS_ADD_ACCOUNT_CAPTION, IDS_REFRESH_ACCOUNT_CAPTION}));
  EXPECT_TRUE(sheetBusy) << "the tray must not close the list while a wizard runs";
  EXPECT_FALSE(dialog->IsBusy());
  EXPECT_EQ(rowsAfterAdd, 4);
  EXPECT_EQ(selectedAfterRefresh, L"Alice Signature");
  EXPECT_TRUE(refreshEnabledAfter);
}

// Change PIN runs the password change for the selected certificate: the check page, the provider's
// one-time password login and the change page, in the authentication dialog; a certificate without
// password has the button disabled.
TEST_F(AccountListDialogTest, ChangePinRunsCheckLoginAndChangePages) {
  std::vector<UINT> pages;
  std::wstring alias;
  system.runSheet = [&](CBasePropertySheet& sheet) {
    sheets.push_back(sheet.CaptionId());
    sheetBusy = dialog->IsBusy();
    for (int i = 0; i < sheet.GetPageCount(); ++i) pages.push_back(sheet.GetPage(i)->PageTemplateId());
    if (auto* page = dynamic_cast<CAuthDialogPage*>(sheet.GetPage(0))) {
      alias = page->Context().certificatePolicy->alias;
    }
    return static_cast<INT_PTR>(IDCANCEL);
  };
  Run([&](CDialogDriver& d, HWND window) {
    Select(d, window, L"Alice Encryption");
    d.Click(GetDlgItem(window, IDC_ACCOUNT_CHANGE_PIN));
    d.Settle();
  });
  EXPECT_EQ(sheets, (std::vector<UINT>{IDS_PIN_CHANGE_CAPTION}));
  EXPECT_TRUE(sheetBusy);
  EXPECT_EQ(pages, (std::vector<UINT>{IDD_AUTH_CHECK, IDD_OTP_LOGIN, IDD_PIN_CHANGE}));
  EXPECT_EQ(alias, alice->certificatePolicies[1]->alias);
}

// A check box disables its certificate at the provider; the refresh that the change causes is skipped
// once, so the row stays; the next change rebuilds the list.
TEST_F(AccountListDialogTest, CheckBoxDisablesTheCertificateWithoutRebuildingTheList) {
  bool enabledAfterUncheck = true;
  bool rowUnchecked = false;
  int refreshesBefore = 0, refreshesAfterToggle = 0, refreshesAfterNextChange = 0;
  Run([&](CDialogDriver& d, HWND window) {
    HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
    refreshesBefore = host.trayUpdates;
    d.OnDialogThread([&] {
      LVITEMW entry = {};
      entry.state = INDEXTOSTATEIMAGEMASK(1);
      entry.stateMask = LVIS_STATEIMAGEMASK;
      SendMessageW(list, LVM_SETITEMSTATE, FindItem(list, L"Alice Encryption"),
                   reinterpret_cast<LPARAM>(&entry));
    });
    d.Settle();
    enabledAfterUncheck = alice->certificatePolicies[1]->enabled;
    d.OnDialogThread([&] {
      const int item = FindItem(list, L"Alice Encryption");
      rowUnchecked = (SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) >> 12) == 1;
    });
    refreshesAfterToggle = host.trayUpdates;
    acme->AddPolicy(ui_test::MakeAccount(L"dave", 100, {L"Dave Signature"}), false);
    d.Settle();
    refreshesAfterNextChange = host.trayUpdates;
  });
  // Enabled again, so that the user's registry keeps no test value.
  acme->SetCertificateEnabled(*alice->certificatePolicies[1], true);
  EXPECT_FALSE(enabledAfterUncheck);
  EXPECT_TRUE(rowUnchecked);
  EXPECT_EQ(refreshesAfterToggle, refreshesBefore) << "the toggle's own notification is skipped";
  EXPECT_EQ(refreshesAfterNextChange, refreshesBefore + 1);
}

// Only a Yes removes the account: No, Cancel and a message box that could not be shown (0) keep it.
TEST_F(AccountListDialogTest, RemoveOnlyOnYes) {
  struct Case {
    int answer;
    bool removed;
  } cases[] = {{0, false}, {IDNO, false}, {IDCANCEL, false}, {IDYES, true}};
  std::vector<int> rowsAfter;
  std::vector<bool> buttonsOff;
  Run([&](CDialogDriver& d, HWND window) {
    HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
    for (const Case& c : cases) {
      Select(d, window, L"Bob Authentication");
      boxAnswer = c.answer;
      d.Click(GetDlgItem(window, IDC_ACCOUNT_REMOVE));
      d.Settle();
      d.OnDialogThread([&] {
        rowsAfter.push_back(ItemCount(list));
        buttonsOff.push_back(!Enabled(window, IDC_ACCOUNT_REMOVE));
      });
    }
  });
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(
      boxes[0],
      L"This will remove all certificates of the account\n\n    Bob Sample / ACME Trust Services\n\nAre you "
      L"sure you want to remove the account and all associated certificates from this luma-Pass V instance?");
  EXPECT_EQ(lastBoxType, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(rowsAfter, (std::vector<int>{3, 3, 3, 2}));
  EXPECT_EQ(buttonsOff, (std::vector<bool>{false, false, false, true}));
  CPolicyPtr found;
  EXPECT_FALSE(acme->FindPolicy(bob->accountKey, found));
  EXPECT_TRUE(acme->FindPolicy(alice->accountKey, found));
}

// A button without a selection says so and starts nothing.
TEST_F(AccountListDialogTest, NoSelectionShowsTheHintAndStartsNothing) {
  Run([&](CDialogDriver& d, HWND window) {
    d.OnDialogThread(
        [&] { dialog->UpdateButtons(true, 0); });  // enabled as a stale notification could leave them
    d.Click(GetDlgItem(window, IDC_ACCOUNT_REFRESH));
    d.Settle();
  });
  EXPECT_EQ(boxes, (std::vector<std::wstring>{L"Please select an account or certificate in the list"}));
  EXPECT_EQ(lastBoxType, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_TRUE(sheets.empty());
}

// WM_CLOSE while the add-account wizard runs (as the main frame sends it at exit) closes the wizard
// first, then the list.
TEST_F(AccountListDialogTest, CloseWhileAWizardRunsClosesTheWizardFirst) {
  system.runSheet = [](CBasePropertySheet& sheet) { return sheet.DoModal(); };
  bool wizardShown = false;
  bool wizardGone = false;
  const INT_PTR result = Run([&](CDialogDriver& d, HWND window) {
    d.Click(GetDlgItem(window, IDC_ACCOUNT_ADD));
    HWND wizard = d.WaitForWindow(L"luma-Pass V - Add Account");
    wizardShown = wizard != nullptr;
    PostMessageW(window, WM_CLOSE, 0, 0);
    d.Settle();
    wizardGone = !IsWindow(wizard);
  });
  EXPECT_TRUE(wizardShown);
  EXPECT_TRUE(wizardGone);
  EXPECT_EQ(result, IDCANCEL);
}

std::wstring ReadLayout(const std::wstring& key, const std::wstring& name) {
  wchar_t text[128] = {};
  DWORD bytes = sizeof(text);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(),
                   RRF_RT_REG_SZ | 0x00010000 /* RRF_SUBKEY_WOW6464KEY */, nullptr, text,
                   &bytes) != ERROR_SUCCESS) {
    return L"";
  }
  return text;
}

void WriteLayout(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
  CRegistryKeyHandle handle;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            nullptr, handle.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(handle.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

// The saved layout per display: a valid record sets the width and the first two columns, a value too
// long for its buffer or with a field of 0 falls back to the settings, and closing saves the record.
TEST_F(AccountListDialogTest, SavedLayoutIsUsedOnlyWhenWholeAndSavedOnClose) {
  settings->SaveAccountDialogPos = true;
  settings->AccountDialogWidth = 760;
  struct Case {
    const char* name;
    std::wstring saved;
    bool fromRecord;
  } cases[] = {
      {"valid", L"900;300;260;110;200", true},
      {"too long for the buffer", L"900;300;260;110;200;" + std::wstring(60, L'1'), false},
      {"a field of 0", L"900;300;0;110;200", false},
  };
  for (const Case& c : cases) {
    std::wstring signature;
    int width = 0, certificateWidth = 0, validityWidth = 0;
    std::wstring afterClose;
    Run([&](CDialogDriver& d, HWND window) {
      d.OnDialogThread([&] { signature = GetDisplaySignature(window); });
    });
    if (signature.empty()) GTEST_SKIP() << "no display signature on this display";
    WriteLayout(system.layoutKey, signature, c.saved);
    Run([&](CDialogDriver& d, HWND window) {
      d.OnDialogThread([&] {
        RECT rect;
        GetWindowRect(window, &rect);
        width = rect.right - rect.left;
        HWND list = GetDlgItem(window, IDC_ACCOUNT_LIST);
        certificateWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        validityWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
      });
    });
    afterClose = ReadLayout(system.layoutKey, signature);
    if (c.fromRecord) {
      EXPECT_EQ(width, 900) << c.name;
      EXPECT_EQ(certificateWidth, 260) << c.name;
      EXPECT_EQ(validityWidth, 110) << c.name;
    } else {
      EXPECT_EQ(width, 760) << c.name << " (the setting at 96 DPI)";
      EXPECT_EQ(certificateWidth, 200) << c.name;
      EXPECT_EQ(validityWidth, 80) << c.name;
    }
    const accounts::AccountDialogLayout record = accounts::ParseLayout(afterClose);
    EXPECT_EQ(record.windowWidth, width) << c.name;
    EXPECT_EQ(record.certificateWidth, certificateWidth) << c.name;
    EXPECT_TRUE(accounts::IsUsableLayout(record))
        << c.name << ": " << std::string(afterClose.begin(), afterClose.end());
  }
}

// Every text of the list in English and German.
TEST(AccountListTextsTest, EveryTextHasEnglishAndGerman) {
  const UINT ids[] = {IDS_REMOVE_ACCOUNT_QUESTION,
                      IDS_VALIDITY_DATE_FORMAT,
                      accounts::kTextOk,
                      accounts::kTextPinChangeRequired,
                      IDS_REMOVE,
                      IDS_REFRESH,
                      IDS_REFRESH_ACCOUNT_CAPTION,
                      IDS_PIN_CHANGE_CAPTION,
                      accounts::kTextRefreshRequired,
                      IDS_APP_TITLE,
                      IDS_SELECT_ACCOUNT,
                      IDS_ABOUT_CAPTION,
                      IDS_COLUMN_CERTIFICATE,
                      IDS_COLUMN_VALID_TILL,
                      IDS_COLUMN_STATUS,
                      accounts::kTextNoCertificates,
                      IDS_ADD,
                      IDS_CHANGE_PIN,
                      IDS_MANAGE,
                      IDS_DETAILS,
                      IDS_CERTIFICATE_LABEL,
                      IDS_ACCOUNT_LABEL,
                      IDS_ACCOUNT_LIST_CAPTION,
                      accounts::kTextRefreshWithinDays,
                      accounts::kTextPinChangeWithinDays,
                      accounts::kTextRefreshWithinOneDay,
                      accounts::kTextPinChangeWithinOneDay,
                      accounts::kTextRefreshToday,
                      accounts::kTextPinChangeToday,
                      IDS_ADD_ACCOUNT_CAPTION,
                      IDS_ABOUT_TIP};
  const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LANGID german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  HMODULE module = CAppWindow::ResourceModule();
  for (UINT id : ids) {
    EXPECT_FALSE(LoadStringResource(module, english, id).empty()) << id;
    EXPECT_FALSE(LoadStringResource(module, german, id).empty()) << id;
  }
  EXPECT_EQ(LoadStringResource(module, german, IDS_ACCOUNT_LIST_CAPTION),
            L"luma-Pass V - Registrierte Konten");
  EXPECT_EQ(LoadStringResource(module, german, accounts::kTextNoCertificates),
            L"Dem Konto sind keine Zertifikate zugewiesen");
}

}  // namespace
}  // namespace ui
}  // namespace luma
