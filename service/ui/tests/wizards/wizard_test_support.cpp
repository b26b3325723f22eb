#include "service/ui/tests/wizards/wizard_test_support.h"

// windows.h first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include "foundation/win/unique_handle.h"
#include "policy/config/auth_config.h"
#include "policy/config/browser_auth_config.h"
#include "service/auth/tests/auth_test_support.h"
#include "ui/framework/property_sheet.h"
#include "ui/framework/window.h"
#include "ui/testing/screenshot.h"

namespace luma::service::testing {
namespace {

// GDI+ for the whole test program, as the program's start-up provides it.
class CGdiPlusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override {
    if (token != 0) Gdiplus::GdiplusShutdown(token);
  }

 private:
  ULONG_PTR token = 0;
};

const auto* const kGdiPlus = ::testing::AddGlobalTestEnvironment(new CGdiPlusEnvironment);

std::wstring TempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + name;
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

struct FoundBox {
  HWND sheet;
  HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* found = reinterpret_cast<FoundBox*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || window == found->sheet || !IsWindowVisible(window)) return TRUE;
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  // A message box: a dialog of its own with the text control the system gives it.
  if (std::wstring(name) == L"#32770" && GetDlgItem(window, 0xFFFF) != nullptr) {
    found->box = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

CWizardTest::CWizardTest()
    : policyFolder(TempFolder(UniqueName(L"lumaPassWizardPolicies"))),
      storeName(UniqueName(L"lumaPassWizardStore")) {
  CreateDirectoryW(policyFolder.c_str(), nullptr);
}

CWizardTest::~CWizardTest() {
  RemoveFolder(policyFolder);
  CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, storeName.c_str());
}

void CWizardTest::SetUp() {
  SoapTransportTest::SetUp();
  ASSERT_TRUE(service.IsRunning());
}

CProviderContextPtr CWizardTest::Provider(const std::wstring& name, int authType, bool interactive,
                                          const wchar_t* servicePath) {
  std::shared_ptr<CAuthConfig> method = MethodOf(authType, interactive);
  if (authType == AUTH_TYPE_BROWSER) {
    // The service sets anna's session cookie "SESSION" when its login ends at "/vault".
    auto browser = std::make_shared<CBrowserAuthConfig>(nullptr);
    browser->service = ConfigFor(service, L"/vault");
    browser->RegistrationURL = service.Url(L"/vault");
    browser->AuthCookieName = L"SESSION";
    browser->AutoCloseOnError = 0;
    method = browser;
  }
  if (auto otp = std::dynamic_pointer_cast<COTPConfig>(method)) {
    otp->service = ConfigFor(service, L"/login");
    otp->ServiceParameters = {L"user={user}", L"password={password}", L"otp={otp}"};
    otp->HintUserID = L"User name";
    otp->HintPassword = L"Password";
    otp->HintOTP = L"Code from your token";
    otp->ToolTipOTP = L"The six digits your token shows now.";
  } else if (auto explicitMethod = std::dynamic_pointer_cast<CExplicitAuthConfig>(method)) {
    explicitMethod->service = ConfigFor(service, servicePath);
  }
  CProviderConfig config;
  config.name = name;
  config.Name = name == L"EXAMPLE" ? L"Example Trust Services" : name + L" Services";
  config.Description = L"Signing service of " + config.Name;
  config.PolicyStore = policyFolder;
  config.TargetCertStoreName = storeName;
  config.TargetCertStoreType = CERT_SYSTEM_STORE_CURRENT_USER;
  config.TargetProviderName = L"Microsoft Base Smart Card Crypto Provider";
  config.TargetProviderType = 1;
  config.service = ConfigFor(service, servicePath);
  config.authConfig = std::move(method);
  auto provider = std::make_shared<CProviderContext>(config);
  provider->AddPolicySignerTrusts({Bytes(VaultFixture(L"policy_signer.der"))});
  return provider;
}

CPolicyPtr CWizardTest::AnnaPolicy(const CProviderContext& provider) const {
  CPolicyPtr policy;
  try {
    provider.CreatePolicy(policy, Bytes(VaultFixture(L"policy_anna.p7")));
  } catch (...) {
    return nullptr;
  }
  return policy;
}

int CWizardTest::PolicyFileCount() const {
  int count = 0;
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW((policyFolder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

bool CWizardTest::StoreHolds(PCCERT_CONTEXT certificate) const {
  if (certificate == nullptr) return false;
  const luma::CCertStoreHandle store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                   CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG,
                                                   storeName.c_str()));
  if (!store) return false;
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
  if (found == nullptr) return false;
  CertFreeCertificateContext(found);
  return true;
}

bool CWizardTest::HasToken(CProviderContext& provider, const CPolicy& account) {
  CSecureBuffer token;
  return provider.tokenCache.GetToken(account, token) && !token.empty();
}

HWND ForwardButton(HWND sheet) {
  HWND next = GetDlgItem(sheet, luma::ui::kWizardNextId);
  if (next != nullptr && IsWindowVisible(next)) return next;
  return GetDlgItem(sheet, luma::ui::kWizardFinishId);
}

HWND WaitForMessageBox(HWND sheet, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    FoundBox found = {sheet, nullptr};
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&found));
    if (found.box != nullptr) return found.box;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::wstring MessageBoxText(HWND box) { return luma::ui::WindowText(GetDlgItem(box, 0xFFFF)); }

bool SavePicture(ui_test::CDialogDriver& driver, HWND sheet, const std::wstring& fileName) {
  if (!ui_test::HasDisplay()) return true;
  bool saved = false;
  driver.Settle();
  driver.OnDialogThread([&] {
    // No window manager runs under Xvfb to make the sheet active; draw its caption as in front.
    SendMessageW(sheet, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(sheet, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    saved = ui_test::SaveWindowPicture(sheet, fileName);
  });
  return saved;
}

}  // namespace luma::service::testing
