// The interactive handler behind a real pipe, with the key storage provider as the application's
// plug-in and the local test signing service behind it: the authentication dialog is driven like a
// user would, and OpenSSL on the Linux side checks the signatures with the user certificate.
#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "plugins/common/bcrypt_hash.h"
#include "plugins/ksp/ksp_functions.h"
#include "plugins/ksp/ksp_module.h"
#include "policy/config/browser_auth_config.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/exchange/tests/openssl_tool.h"
#include "service/guihandler/gui_vsc_protocol_handler.h"
#include "service/handler/tests/requests/handler_request_fixture.h"
#include "service/weblogin/weblogin_resource_ids.h"
#include "ui/testing/dialog_driver.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

using luma::ksp::FunctionTable;
using luma::ksp::KspModule;
using luma::service::testing::CHandlerRequestTestOf;
using ui_test::CDialogDriver;

constexpr wchar_t kCaption[] = L"luma-Pass V - Authentication";
constexpr SECURITY_STATUS kCancelledByUser = static_cast<SECURITY_STATUS>(0x8010006E);

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

std::wstring lumaPassVPipe;
std::wstring LumaPassVPipe() { return lumaPassVPipe; }

struct WindowCount {
  const wchar_t* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM parameter) {
  auto* count = reinterpret_cast<WindowCount*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && WindowText(window) == count->caption)
    count->found.push_back(window);
  return TRUE;
}

// The authentication dialogs this process shows.
std::vector<HWND> AuthenticationWindows() {
  WindowCount count = {kCaption, {}};
  EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count));
  return count.found;
}

size_t CountRequests(const std::vector<luma::service::testing::LoggedRequest>& requests, const char* action) {
  size_t count = 0;
  for (const auto& request : requests) {
    if (request.Header("SOAPAction").find(action) != std::string::npos) ++count;
  }
  return count;
}

// One signature by the plug-in on a thread of its own, as an application would make it.
struct CSigner {
  void Start(NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table, NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE key,
             const CSecureBuffer& hash) {
    thread = std::thread([this, &table, provider, key, hash] {
      BCRYPT_PKCS1_PADDING_INFO padding = {BCRYPT_SHA256_ALGORITHM};
      DWORD size = 0;
      signature.resize(256);
      status = table.SignHash(provider, key, &padding, hash.data, hash.size, signature.data(),
                              static_cast<DWORD>(signature.size()), &size, BCRYPT_PAD_PKCS1);
      signature.resize(status == 0 ? size : 0);
    });
  }
  void Join() {
    if (thread.joinable()) thread.join();
  }
  ~CSigner() { Join(); }

  std::thread thread;
  SECURITY_STATUS status = -1;
  std::vector<BYTE> signature;
};

class GuiHandlerSigningTest : public CHandlerRequestTestOf<CGUIVSCProtocolHandler> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CHandlerRequestTestOf::SetUp());
    if (!COpenSslTool::IsAvailable()) GTEST_SKIP() << "no OpenSSL tool on this host";
    lumaPassVPipe = server->GetPipeName();
    KspModule::SetPipeNameFunction(&LumaPassVPipe);
    ConfigureAccount();
    Provision(L"ACME", L"/vault", alias);
    ASSERT_EQ(0, table.OpenProvider(&provider, L"nuvak lumaPass V Key Storage Provider", 0));
    ASSERT_EQ(0, table.OpenKey(provider, &key, ContainerOf(alias).c_str(), 0, 0));
    ASSERT_TRUE(dir.Write(L"alice.pem",
                          luma::service::testing::Bytes(luma::service::testing::VaultFixture(L"alice.pem"))));
    ASSERT_EQ(0u,
              OpenSsl(L"x509 -in " + Unix(L"alice.pem") + L" -pubkey -noout -out " + Unix(L"public.pem")));
    ASSERT_TRUE(dir.Write(L"message", message));
  }
  void TearDown() override {
    if (provider != 0) table.FreeProvider(provider);
    KspModule::SetPipeNameFunction(nullptr);
    CHandlerRequestTestOf::TearDown();
  }

  // The account's certificate: a password of 4 to 8 characters that is never kept, so that every
  // signature asks for it.
  virtual void ConfigureAccount() {
    adjustCertificate = [](CCertificatePolicy& certificate) {
      certificate.pinPolicy.pinConstraints.minLength = 4;
      certificate.pinPolicy.pinConstraints.maxLength = 8;
      certificate.pinPolicy.maxPinCacheTime = 0;
      certificate.pinPolicy.maxPinCacheReuse = 0;
    };
  }

  DWORD OpenSsl(const std::wstring& arguments) { return COpenSslTool::Run(dir, arguments); }
  std::wstring Unix(const std::wstring& file) const { return dir.UnixPath(file); }
  CSecureBuffer Hash() const { return luma::plugin::HashBytes(BCRYPT_SHA256_ALGORITHM, message); }

  // Whether OpenSSL takes the signature of the message with the user certificate's key.
  bool Verifies(const std::vector<BYTE>& signature) {
    if (!dir.Write(L"signature", CSecureBuffer(static_cast<DWORD>(signature.size()), signature.data())))
      return false;
    return OpenSsl(L"dgst -sha256 -verify " + Unix(L"public.pem") + L" -signature " + Unix(L"signature") +
                   L" " + Unix(L"message")) == 0;
  }

  // The dialog's password typed and confirmed with OK.
  static void EnterPassword(CDialogDriver& d, HWND window, const wchar_t* password) {
    HWND field = CDialogDriver::Control(window, IDC_VSC_PASSWORD);
    ASSERT_NE(field, nullptr) << "the password page";
    HWND ok = GetDlgItem(window, IDOK);
    d.Type(field, password);
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
    d.Click(ok);
  }

  // The dialog's picture, drawn as the active window it would be under a window manager.
  static bool SavePicture(HWND window, const wchar_t* name) {
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return ui_test::SaveWindowPicture(window, name);
  }

  // The service's alias of the certificate (the key is alice's either way).
  std::wstring alias = L"alice";
  const CSecureBuffer message{41, "Signed through lumaPassKSP with a dialog."};
  NCRYPT_KEY_STORAGE_FUNCTION_TABLE& table = FunctionTable();
  NCRYPT_PROV_HANDLE provider = 0;
  NCRYPT_KEY_HANDLE key = 0;
  CSharedTempDir dir;
};

TEST_F(GuiHandlerSigningTest, PasswordTypedInTheDialogSignsAndOpenSslVerifiesTheSignature) {
  CSigner signer;
  bool saved = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption, 30000);
    ASSERT_NE(window, nullptr);
    HWND field = CDialogDriver::Control(window, IDC_VSC_PASSWORD);
    ASSERT_NE(field, nullptr) << "the password page";
    HWND ok = GetDlgItem(window, IDOK);
    d.Type(field, L"1234");
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
    if (ui_test::HasDisplay()) saved = SavePicture(window, L"auth_dialog_signature.png");
    d.Click(ok);
  });
  signer.Start(table, provider, key, Hash());
  driver.Join();
  signer.Join();
  ASSERT_EQ(0, signer.status);
  ASSERT_EQ(256u, signer.signature.size());
  EXPECT_TRUE(Verifies(signer.signature));
  const auto requests = service.Requests();
  EXPECT_EQ(1u, CountRequests(requests, "VerifyPin")) << "the page had the password checked";
  EXPECT_EQ(1u, CountRequests(requests, "RsaPkcs1Sign"));
  if (ui_test::HasDisplay()) {
    EXPECT_TRUE(saved);
  }
}

TEST_F(GuiHandlerSigningTest, CancelledDialogGivesTheApplicationCancelledByUser) {
  CSigner signer;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption, 30000);
    ASSERT_NE(window, nullptr);
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  signer.Start(table, provider, key, Hash());
  driver.Join();
  signer.Join();
  EXPECT_EQ(kCancelledByUser, signer.status);
  EXPECT_EQ(0u, CountRequests(service.Requests(), "RsaPkcs1Sign")) << "nothing reached the service";
}

TEST_F(GuiHandlerSigningTest, TwoSignaturesAtOnceAskOneAfterTheOther) {
  CSigner first;
  CSigner second;
  size_t shownAtOnce = 0;
  HWND firstWindow = nullptr;
  HWND secondWindow = nullptr;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    firstWindow = d.WaitForWindow(kCaption, 30000);
    ASSERT_NE(firstWindow, nullptr);
    Sleep(1500);  // time for the other request to reach its authentication
    shownAtOnce = AuthenticationWindows().size();
    HWND firstField = CDialogDriver::Control(firstWindow, IDC_VSC_PASSWORD);
    EnterPassword(d, firstWindow, L"1234");
    // The first page takes its field away while the service checks the password; the next dialog
    // is the one whose field takes input.
    ASSERT_TRUE(d.WaitUntil([&] { return !IsWindow(firstField) || IsWindowEnabled(firstField) == FALSE; }));
    const DWORD start = GetTickCount();
    while (secondWindow == nullptr && GetTickCount() - start < 30000) {
      for (HWND window : AuthenticationWindows()) {
        HWND field = CDialogDriver::Control(window, IDC_VSC_PASSWORD);
        if (field != nullptr && IsWindowEnabled(field)) secondWindow = window;
      }
      Sleep(50);
    }
    ASSERT_NE(secondWindow, nullptr) << "the second request asks once the first dialog is gone";
    shownAtOnce = std::max(shownAtOnce, AuthenticationWindows().size());
    Sleep(100);
    EnterPassword(d, secondWindow, L"1234");
  });
  first.Start(table, provider, key, Hash());
  second.Start(table, provider, key, Hash());
  driver.Join();
  first.Join();
  second.Join();
  EXPECT_EQ(1u, shownAtOnce);
  ASSERT_EQ(0, first.status);
  ASSERT_EQ(0, second.status);
  EXPECT_TRUE(Verifies(first.signature));
  EXPECT_TRUE(Verifies(second.signature));
  EXPECT_EQ(2u, CountRequests(service.Requests(), "VerifyPin"));
}

// The program ends while one request's dialog is open and another waits for its turn: the dialog
// closes, the waiting request is released, and both workers end within the shut-down's bound.
TEST_F(GuiHandlerSigningTest, ShutdownClosesTheDialogAndReleasesTheWaitingRequest) {
  CSigner first;
  CSigner second;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    ASSERT_NE(d.WaitForWindow(kCaption, 30000), nullptr);
    Sleep(1500);
    EXPECT_TRUE(handler->Shutdown()) << "every worker ended in time";
    EXPECT_TRUE(AuthenticationWindows().empty());
  });
  first.Start(table, provider, key, Hash());
  second.Start(table, provider, key, Hash());
  driver.Join();
  first.Join();
  second.Join();
  EXPECT_NE(0, first.status);
  EXPECT_NE(0, second.status);
  EXPECT_EQ(0u, CountRequests(service.Requests(), "RsaPkcs1Sign"));
}

// A certificate only other programs may use: the refusal is shown in the error dialog, which waits
// for no authentication lock, and the application gets the refusal.
class GuiHandlerRefusedProgramTest : public GuiHandlerSigningTest {
 protected:
  void ConfigureAccount() override {
    adjustCertificate = [](CCertificatePolicy& certificate) {
      certificate.constraints.processNames = {L"C:\\Program Files\\Other\\other.exe"};
    };
  }
};

TEST_F(GuiHandlerRefusedProgramTest, RefusalIsShownAndTheApplicationIsRefused) {
  CSigner signer;
  std::wstring shown;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption, 30000);
    ASSERT_NE(window, nullptr);
    HWND ok = GetDlgItem(window, IDOK);
    EXPECT_FALSE(ok != nullptr && IsWindowEnabled(ok)) << "only Cancel closes an error";
    shown = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
    d.Click(GetDlgItem(window, IDCANCEL));
  });
  signer.Start(table, provider, key, Hash());
  driver.Join();
  signer.Join();
  EXPECT_EQ(static_cast<SECURITY_STATUS>(0x8010006A), signer.status);
  EXPECT_NE(std::wstring::npos, shown.find(L"is not authorized to use the selected certificate")) << shown;
  EXPECT_EQ(0u, CountRequests(service.Requests(), "RsaPkcs1Sign"));
}

// A certificate without a password that makes no qualified signatures: nothing to ask when the
// provider logs in without the user.
class GuiHandlerUnattendedTest : public GuiHandlerSigningTest {
 protected:
  void ConfigureAccount() override {
    alias = L"nopin";  // the service's key that needs no password
    adjustCertificate = [](CCertificatePolicy& certificate) {
      certificate.pinPolicy.pinConstraints = CPinConstraints();
      certificate.certificateType.flags[CCertificateType::kQualifiedSignature] = false;
    };
    adjustProviderConfig = [this](CProviderConfig& config) {
      config.authConfig = luma::service::testing::MethodOf(
          interactiveLogin ? AUTH_TYPE_PASSWORD : AUTH_TYPE_NEGOTIATE, interactiveLogin);
    };
  }
  bool interactiveLogin = false;
};

// A thread that ended while it held the one-dialog-at-a-time lock leaves it abandoned: the next
// authentications take it over and release it, so signing goes on.
TEST_F(GuiHandlerUnattendedTest, AbandonedAuthenticationLockIsTakenOverAndReleased) {
  std::thread([this] { WaitForSingleObject(handler->AuthenticationMutex(), INFINITE); }).join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    CSigner signer;
    signer.Start(table, provider, key, Hash());
    signer.Join();
    ASSERT_EQ(0, signer.status);
    EXPECT_TRUE(Verifies(signer.signature));
  }
  EXPECT_TRUE(AuthenticationWindows().empty()) << "nothing to ask";
}

// The same certificate making qualified signatures: the user confirms each one.
class GuiHandlerQualifiedTest : public GuiHandlerUnattendedTest {
 protected:
  void ConfigureAccount() override {
    GuiHandlerUnattendedTest::ConfigureAccount();
    adjustCertificate = [](CCertificatePolicy& certificate) {
      certificate.pinPolicy.pinConstraints = CPinConstraints();
      certificate.certificateType.flags[CCertificateType::kQualifiedSignature] = true;
    };
  }
};

TEST_F(GuiHandlerQualifiedTest, QualifiedSignatureIsMadeOnlyWhenConfirmed) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "confirmed" : "cancelled");
    CSigner signer;
    std::wstring shown;
    CDialogDriver driver;
    driver.Start([&](CDialogDriver& d) {
      HWND window = d.WaitForWindow(kCaption, 30000);
      ASSERT_NE(window, nullptr);
      shown = d.Text(CDialogDriver::Control(window, IDC_AUTH_STATUS_TEXT));
      d.Click(GetDlgItem(window, confirm ? IDOK : IDCANCEL));
    });
    signer.Start(table, provider, key, Hash());
    driver.Join();
    signer.Join();
    EXPECT_NE(std::wstring::npos, shown.find(L"qualified certificate")) << shown;
    if (confirm) {
      ASSERT_EQ(0, signer.status);
      EXPECT_TRUE(Verifies(signer.signature));
    } else {
      EXPECT_EQ(kCancelledByUser, signer.status);
    }
  }
  EXPECT_EQ(1u, CountRequests(service.Requests(), "RsaPkcs1Sign"));
}

// A provider whose login runs in a web browser, without a session yet: the dialog holds the browser
// login page, which opens its browser frame; the user closes the frame and cancels.
class GuiHandlerBrowserLoginTest : public GuiHandlerUnattendedTest {
 protected:
  void ConfigureAccount() override {
    GuiHandlerUnattendedTest::ConfigureAccount();
    adjustProviderConfig = [](CProviderConfig& config) {
      auto method = std::make_shared<CBrowserAuthConfig>(nullptr);
      method->service = config.service;
      method->AuthCookieName = L"AL_SESS-S";
      method->AutoCloseOnError = 0;
      config.authConfig = method;
    };
  }
};

TEST_F(GuiHandlerBrowserLoginTest, DialogHoldsTheBrowserLoginPage) {
  CSigner signer;
  bool frameOpened = false;
  CDialogDriver driver;
  driver.Start([&](CDialogDriver& d) {
    HWND sheet = nullptr;
    HWND frame = nullptr;
    const DWORD start = GetTickCount();
    while ((sheet == nullptr || frame == nullptr) && GetTickCount() - start < 30000) {
      for (HWND window : AuthenticationWindows()) {
        if (CDialogDriver::Control(window, IDC_BROWSER_START) != nullptr) {
          sheet = window;
        } else if (GetDlgItem(window, IDCANCEL) == nullptr) {
          frame = window;
        }
      }
      Sleep(50);
    }
    ASSERT_NE(sheet, nullptr) << "the browser login page";
    ASSERT_NE(frame, nullptr) << "its browser frame";
    frameOpened = true;
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(d.WaitUntil([&] { return IsWindowEnabled(sheet) != FALSE; }));
    d.Click(GetDlgItem(sheet, IDCANCEL));
  });
  signer.Start(table, provider, key, Hash());
  driver.Join();
  signer.Join();
  EXPECT_TRUE(frameOpened);
  EXPECT_EQ(kCancelledByUser, signer.status);
  EXPECT_EQ(0u, CountRequests(service.Requests(), "RsaPkcs1Sign"));
}

// A password login without a login page here, for a certificate without password: the dialog
// would have no page, so the request is cancelled without showing one.
class GuiHandlerNoLoginPageTest : public GuiHandlerUnattendedTest {
 protected:
  void ConfigureAccount() override {
    interactiveLogin = true;
    GuiHandlerUnattendedTest::ConfigureAccount();
  }
};

TEST_F(GuiHandlerNoLoginPageTest, LoginMethodWithoutAPageIsCancelledWithoutAWindow) {
  CSigner signer;
  signer.Start(table, provider, key, Hash());
  signer.Join();
  EXPECT_EQ(kCancelledByUser, signer.status);
  EXPECT_EQ(0u, CountRequests(service.Requests(), "RsaPkcs1Sign"));
}

}  // namespace
}  // namespace luma::ui
