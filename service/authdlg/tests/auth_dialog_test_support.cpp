#include "service/authdlg/tests/auth_dialog_test_support.h"

// windows.h first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <memory>

#include "policy/config/auth_config.h"
#include "ui/framework/window.h"

namespace luma::service::testing {
namespace {

constexpr int kIssuerLogoId = 900;

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

CSecureBuffer IssuerLogo() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kIssuerLogoId), L"PNG");
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return CSecureBuffer();
  return CSecureBuffer(SizeofResource(module, found), bytes);
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

CAuthContext MakeContext(const std::wstring& alias, std::shared_ptr<CAuthConfig> method,
                         const CServiceConfig& serviceConfig) {
  CProviderConfig config;
  config.name = L"EXAMPLE";
  config.Name = L"Example Trust Services";
  config.Description = L"Signing service of Example Trust Services";
  config.ToolTipPassword = L"The password you chose when your certificate was issued.";
  config.service = serviceConfig;
  config.authConfig = std::move(method);
  auto provider = std::make_shared<CProviderContext>(config);

  auto policy = std::make_shared<CPolicy>();
  policy->providerName = L"EXAMPLE";
  policy->userId = L"alice@example.test";
  policy->accountKey = L"example/alice@example.test";
  policy->issuerId = L"Example Trust Services";
  policy->userFriendlyName = L"Alice Example";
  policy->issuerEncCert = Bytes(VaultFixture(L"service_enc.der"));
  policy->issuerIcon = IssuerLogo();

  auto certificate = std::make_shared<CCertificatePolicy>();
  certificate->alias = alias;
  certificate->friendlyName = L"Alice Example - Signature";
  certificate->policyNotification = L"Qualified signature, valid until 31.12.2027";
  certificate->certificateType.flags[0] = true;
  certificate->pinPolicy.pinConstraints.minLength = 4;
  certificate->pinPolicy.pinConstraints.maxLength = 8;
  certificate->pinPolicy.maxPinCacheTime = 3600;
  certificate->pinPolicy.maxPinCacheReuse = 10;
  return CAuthContext(provider, policy, certificate);
}

}  // namespace

void CAuthDialogTest::SetUp() {
  SoapTransportTest::SetUp();
  ASSERT_TRUE(service.IsRunning());
}

CAuthContext CAuthDialogTest::Context(const std::wstring& alias, const wchar_t* servicePath,
                                      const wchar_t* loginPath) {
  auto method = std::make_shared<CPasswordConfig>(nullptr);
  method->service = ConfigFor(service, loginPath);
  return MakeContext(alias, method, ConfigFor(service, servicePath));
}

CAuthContext CAuthDialogTest::OtpContext(const std::wstring& alias) {
  auto method = std::make_shared<COTPConfig>(nullptr);
  method->service = ConfigFor(service, L"/login");
  method->ServiceParameters = {L"user={user}", L"password={password}", L"otp={otp}"};
  method->HintPassword = L"Password";
  method->HintOTP = L"Code from your token";
  method->ToolTipOTP = L"The six digits your token shows now.";
  CAuthContext context = MakeContext(alias, method, ConfigFor(service, L"/vault"));
  context.policy->userId = L"anna";  // the one user the service's form login knows
  return context;
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

}  // namespace luma::service::testing
