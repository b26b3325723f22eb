// lumaPassV.exe as a process: started under the test's registry configuration and watched through
// its log file, its per-user pipe, its single-instance mutex and its window. These tests run alone
// (the program is one per user and serves the user's real pipe).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/win/system_utils.h"
#include "foundation/win/tests/test_temp_dir.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "service/app/hidden_main_window.h"
#include "service/app/single_instance.h"
#include "service/testing/test_signing_service.h"

namespace luma::app {
namespace {

using luma::service::testing::CTestSigningService;
using luma::service::testing::ProgramFolder;

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\nuvak\\lumaPassV";
constexpr wchar_t kProviderKey[] = L"SOFTWARE\\nuvak\\lumaPassV\\Provider\\LUMATEST";
constexpr DWORD kWaitMilliseconds = 30000;

std::wstring UserPipePath() {
  return L"\\\\.\\pipe\\{06303303-1134-404F-88FF-7C10DE37620A}-{" + GetCurrentUserSidString() + L"}";
}

bool MutexExists() {
  luma::CKernelHandle mutex(
      OpenMutexW(SYNCHRONIZE, FALSE, BuildInstanceMutexName(GetCurrentUserSidString()).c_str()));
  return static_cast<bool>(mutex);
}

bool PipeExists() {
  luma::CKernelHandle pipe(CreateFileW(UserPipePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  return pipe || GetLastError() == ERROR_PIPE_BUSY;
}

HWND MainWindow() { return FindWindowW(nullptr, kMainWindowTitle); }

DWORD WindowProcess(HWND window) {
  DWORD processId = 0;
  if (window != nullptr) GetWindowThreadProcessId(window, &processId);
  return processId;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds = kWaitMilliseconds) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(50);
  }
  return true;
}

void SetText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                                           key.put(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

void SetNumber(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                                           key.put(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value));
}

// One started lumaPassV.exe.
class CProgram {
 public:
  explicit CProgram(const std::wstring& arguments) {
    std::wstring commandLine =
        L"\"" + ProgramFolder() + L"lumaPassV.exe\"" + (arguments.empty() ? L"" : L" ") + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      process.reset(info.hProcess);
      CloseHandle(info.hThread);
      id = info.dwProcessId;
    }
  }
  ~CProgram() {
    if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 99);
  }
  bool Started() const { return static_cast<bool>(process); }
  DWORD Id() const { return id; }
  bool HasEnded(DWORD milliseconds = 0) const {
    return WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
  }
  // The exit code once it has ended, else STILL_ACTIVE.
  DWORD ExitCode(DWORD milliseconds = kWaitMilliseconds) const {
    DWORD code = STILL_ACTIVE;
    if (HasEnded(milliseconds)) GetExitCodeProcess(process.get(), &code);
    return code;
  }

 private:
  luma::CKernelHandle process;
  DWORD id = 0;
};

class LumaPassVProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A program left by an earlier run would answer in place of the one under test.
    if (HWND window = MainWindow()) {
      SendMessageW(window, WM_CLOSE, 0, 0);
      WaitFor([] { return MainWindow() == nullptr && !MutexExists(); });
    }
    ASSERT_EQ(nullptr, MainWindow());
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    runFolder = ProgramFolder() + L"service_runs\\lumapassv-" + std::to_wstring(GetCurrentProcessId()) +
                L"-" +
                std::wstring(info->name(), info->name() + std::char_traits<char>::length(info->name()));
    CreateDirectoryW((ProgramFolder() + L"service_runs").c_str(), nullptr);
    // Wine hands out the same process ids run after run: a folder of an earlier run would give this
    // program that run's stored policies.
    CTestTempDir::RemoveTree(runFolder);
    CreateDirectoryW(runFolder.c_str(), nullptr);
    logPath = runFolder + L"\\lumaPassV.log";
    DeleteFileW(logPath.c_str());
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"LogFile", logPath);
    SetNumber(HKEY_CURRENT_USER, kSettingsKey, L"LogLevel", 5);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProviderKey);
  }

  void TearDown() override {
    if (HWND window = MainWindow()) {
      SendMessageW(window, WM_CLOSE, 0, 0);
      WaitFor([] { return MainWindow() == nullptr; }, 10000);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProviderKey);
    luma::CRegistryKeyHandle key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
      RegDeleteValueW(key.get(), L"LogFile");
      RegDeleteValueW(key.get(), L"LogLevel");
    }
  }

  // One provider of Kerberos login at the test service; autoProvision turns automatic provisioning on.
  void ConfigureProvider(const CTestSigningService& service, bool autoProvision,
                         const wchar_t* servicePath = L"/vault/integrated/anna") {
    SetText(HKEY_LOCAL_MACHINE, kProviderKey, L"AuthenticationType", L"KERBEROS");
    const std::wstring english = std::wstring(kProviderKey) + L"\\en";
    SetText(HKEY_LOCAL_MACHINE, english.c_str(), L"Name", L"Luma Test");
    SetText(HKEY_LOCAL_MACHINE, english.c_str(), L"Description", L"The local test signing service");
    SetText(HKEY_LOCAL_MACHINE, kProviderKey, L"PolicyStore", runFolder + L"\\policies");
    SetText(HKEY_LOCAL_MACHINE, kProviderKey, L"ServiceURL", service.Url(servicePath));
    // The service signs its policies with a signer of its own; no trust DLL names it.
    SetText(HKEY_LOCAL_MACHINE, kProviderKey, L"PolicySignerCertificateFilter", L"(SubjectDN=*)");
    const std::wstring kerberos = std::wstring(kProviderKey) + L"\\Kerberos";
    SetNumber(HKEY_LOCAL_MACHINE, kerberos.c_str(), L"AutoProvision", autoProvision ? 1 : 0);
  }

  // The log as text; the program writes UTF-16.
  std::wstring Log() const {
    const std::string bytes = luma::service::testing::ReadSmallFile(logPath);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
  }
  // The log for a failure message (its text is ASCII).
  std::string LogForMessage() const {
    const std::wstring log = Log();
    return std::string(log.begin(), log.end());
  }
  bool Logged(const std::wstring& line) const { return Log().find(line) != std::wstring::npos; }
  size_t CountLogged(const std::wstring& line) const {
    const std::wstring log = Log();
    size_t count = 0;
    for (size_t at = log.find(line); at != std::wstring::npos; at = log.find(line, at + 1)) ++count;
    return count;
  }

  // Starts the program with one provider and waits until it serves.
  void StartRunning(CProgram& program) {
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitFor([] { return MainWindow() != nullptr; })) << "no main window";
    EXPECT_EQ(program.Id(), WindowProcess(MainWindow()));
    EXPECT_FALSE(IsWindowVisible(MainWindow()));
    EXPECT_TRUE(WaitFor(PipeExists)) << "no per-user pipe";
    EXPECT_TRUE(MutexExists());
  }

  std::wstring runFolder;
  std::wstring logPath;
};

TEST_F(LumaPassVProcessTest, WithoutProvidersStartUpEnds) {
  CProgram program(L"");
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(0u, program.ExitCode());
  EXPECT_TRUE(Logged(L"No providers available"));
  EXPECT_TRUE(Logged(L"Stopping lumaPassV"));
  EXPECT_FALSE(Logged(L"CVSCServer::Start"));
  EXPECT_EQ(nullptr, MainWindow());
  EXPECT_FALSE(MutexExists());
  EXPECT_FALSE(PipeExists());
}

TEST_F(LumaPassVProcessTest, StopWithoutRunningInstanceEndsAtOnce) {
  CTestSigningService service;
  ConfigureProvider(service, false);
  CProgram program(L"--stop");
  EXPECT_EQ(0u, program.ExitCode());
  EXPECT_FALSE(Logged(L"Starting lumaPassV"));
  EXPECT_EQ(nullptr, MainWindow());
  EXPECT_FALSE(PipeExists());
}

// Keeps the first non-empty text of a static control; the std::wstring is param.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
  wchar_t className[32] = {};
  GetClassNameW(child, className, 32);
  if (lstrcmpiW(className, L"Static") != 0) return TRUE;
  wchar_t text[512] = {};
  GetWindowTextW(child, text, 512);
  if (text[0] == 0) return TRUE;
  *reinterpret_cast<std::wstring*>(param) = text;
  return FALSE;
}

// The text of the message box's static control.
std::wstring MessageText(HWND box) {
  std::wstring found;
  EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct DialogSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (WindowProcess(window) != search->process || lstrcmpW(className, L"#32770") != 0 ||
      !IsWindowVisible(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// A visible top-level dialog of the process: a message box, the account list or the wizard.
HWND FindDialogOf(DWORD process) {
  DialogSearch search = {process, nullptr};
  EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits for the process's next dialog, cancels it and returns its caption ("" when none came).
std::wstring CloseNextDialog(DWORD process) {
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = FindDialogOf(process)) != nullptr; })) return L"";
  wchar_t caption[128] = {};
  GetWindowTextW(dialog, caption, 128);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
  return caption;
}

TEST_F(LumaPassVProcessTest, BadOptionShowsItsMessageAndEndsWith255) {
  CTestSigningService service;
  ConfigureProvider(service, false);
  struct Case {
    const wchar_t* arguments;
    const wchar_t* message;
  };
  for (const Case& c :
       {Case{L"--stop=now", L"Option --stop does not take an argument"},
        Case{L"--help", L"Invalid option --help"}, Case{L"--STOP", L"Invalid option --STOP"}}) {
    CProgram program(c.arguments);
    ASSERT_TRUE(program.Started());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindWindowW(L"#32770", L"luma-Pass V")) != nullptr; }))
        << "no message box";
    EXPECT_EQ(c.message, MessageText(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(255u, program.ExitCode());
    EXPECT_EQ(nullptr, MainWindow());
    EXPECT_FALSE(MutexExists());
  }
  EXPECT_FALSE(Logged(L"Starting lumaPassV"));
}

TEST_F(LumaPassVProcessTest, SecondInstancesTalkToTheRunningOne) {
  CTestSigningService service;
  ConfigureProvider(service, false);
  CProgram first(L"");
  StartRunning(first);
  EXPECT_TRUE(Logged(L"Starting lumaPassV " LUMA_PRODUCT_VERSION));
  EXPECT_TRUE(Logged(L"Current session is a console session: "));

  // Without options: the running instance opens its account list; the second one ends once the list
  // is closed (its message returns then).
  CProgram plain(L"");
  EXPECT_EQ(L"luma-Pass V - Registered Accounts", CloseNextDialog(first.Id())) << "the account list";
  EXPECT_EQ(0u, plain.ExitCode());
  EXPECT_TRUE(Logged(L"luma-Pass V is already running"));

  // "--protocol": the URL reaches the running instance, which runs the add-account wizard for the
  // provider and then its account list.
  CProgram protocol(L"--protocol lumapass://add/LUMATEST");
  EXPECT_EQ(L"luma-Pass V - Add Account", CloseNextDialog(first.Id())) << "the add-account wizard";
  EXPECT_EQ(L"luma-Pass V - Registered Accounts", CloseNextDialog(first.Id())) << "the account list";
  EXPECT_EQ(0u, protocol.ExitCode());
  EXPECT_TRUE(Logged(L"lumaPassV Protocol Handler request received: lumapass://add/LUMATEST"));
  EXPECT_FALSE(first.HasEnded());

  // "--restart": the running instance ends and the new one takes its place.
  CProgram restarted(L"--restart");
  ASSERT_TRUE(restarted.Started());
  EXPECT_TRUE(first.HasEnded(kWaitMilliseconds));
  EXPECT_TRUE(WaitFor([&] { return WindowProcess(MainWindow()) == restarted.Id(); }));
  EXPECT_TRUE(WaitFor(PipeExists));
  EXPECT_TRUE(MutexExists());
  EXPECT_FALSE(restarted.HasEnded());

  // "--stop": the running instance ends, and so does the one that asked.
  CProgram stop(L"--stop");
  EXPECT_EQ(0u, stop.ExitCode());
  EXPECT_TRUE(restarted.HasEnded(kWaitMilliseconds));
  EXPECT_EQ(0u, restarted.ExitCode());
  EXPECT_EQ(nullptr, MainWindow());
  EXPECT_FALSE(MutexExists());
  EXPECT_FALSE(PipeExists());
  // Only the instances that ran started up; every second instance ended before.
  EXPECT_EQ(2u, CountLogged(L"Starting lumaPassV"));
}

TEST_F(LumaPassVProcessTest, StartedWithAProtocolUrlHandsItToItsOwnWindow) {
  CTestSigningService service;
  ConfigureProvider(service, false);
  CProgram program(L"lumapass:open --protocol");
  ASSERT_TRUE(WaitFor([&] { return FindDialogOf(program.Id()) != nullptr; })) << "no answer to the request";
  EXPECT_EQ(L"Unsupported operation request", MessageText(FindDialogOf(program.Id())));
  EXPECT_EQ(L"luma-Pass V", CloseNextDialog(program.Id()));
  StartRunning(program);
  EXPECT_TRUE(Logged(L"lumaPassV Protocol Handler request received: lumapass:open"));
}

// The test service's account certificate in the user's "MY" store, found by its bytes; remove takes it out.
std::wstring AliceFriendlyName(bool remove = false) {
  const std::string der =
      luma::service::testing::ReadSmallFile(ProgramFolder() + L"testdata\\service\\vault\\alice.der");
  luma::CCertStoreHandle store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
  if (der.empty() || !store) return L"<no store>";
  luma::CCertContextHandle wanted(CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
  if (!wanted) return L"<no certificate>";
  PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                    wanted.get(), nullptr);
  if (found == nullptr) return L"";
  if (remove) {
    CertDeleteCertificateFromStore(found);  // frees the context
    // Wine writes a deletion out only when the store is committed or its last reference goes.
    CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    return L"";
  }
  luma::CCertContextHandle held(found);
  wchar_t name[256] = {};
  DWORD size = sizeof name;
  if (!CertGetCertificateContextProperty(found, CERT_FRIENDLY_NAME_PROP_ID, name, &size)) return L"<unnamed>";
  return name;
}

TEST_F(LumaPassVProcessTest, AutomaticProvisioningFetchesTheAccountOfAnIntegratedLoginProvider) {
  ASSERT_TRUE(luma::service::testing::TrustTestServiceCa());
  AliceFriendlyName(true);
  ASSERT_EQ(L"", AliceFriendlyName());
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  ConfigureProvider(service, true);
  CProgram program(L"");
  StartRunning(program);
  ASSERT_TRUE(WaitFor([&] {
    return Logged(L"Auto-provision succeeded. Policy for user anna added.") ||
           Logged(L"An error occurred during the auto-provision attempt");
  })) << LogForMessage();
  EXPECT_TRUE(Logged(L"Trying to auto-provision provider Luma Test"));
  const std::wstring log = Log();
  EXPECT_NE(std::wstring::npos, log.find(L"Auto-provision succeeded. Policy for user anna added."))
      << std::string(log.begin(), log.end());
  // The policy is kept in the provider's policy store.
  std::list<std::wstring> files;
  FindFiles(runFolder + L"\\policies", L"*", files);
  EXPECT_EQ(1u, files.size());
  const auto requests = service.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ("/vault/integrated/anna", requests.back().target);

  // The account's certificate enters the user's "MY" store with its friendly name, and leaves it when
  // the program ends.
  EXPECT_TRUE(WaitFor([&] { return AliceFriendlyName() == L"[luma-Pass] Alice signing key"; }))
      << "certificate not provisioned: '"
      << std::string(AliceFriendlyName().begin(), AliceFriendlyName().end()) << "'";
  // A key plug-in's session on the per-user pipe sees the account's key container.
  {
    CUnconnectedNamedPipeClient transport(UserPipePath(), 5000);
    CVirtualSmartCardClient client(&transport, L"process test");
    BYTE sessionId[16] = {};
    DWORD containers = 0;
    EXPECT_TRUE(WaitFor([&] {
      containers = 0;
      return client.OpenSession(sessionId, containers) == 0 && containers == 1;
    }));
  }

  CProgram stop(L"--stop");
  EXPECT_EQ(0u, stop.ExitCode());
  EXPECT_TRUE(program.HasEnded(kWaitMilliseconds));
  EXPECT_EQ(L"", AliceFriendlyName());
}

// A PKCS#1 v1.5 type-1 block of a SHA-256 DigestInfo for a 2048-bit key.
CSecureBuffer Sha256SignBlock() {
  static const BYTE kPrefix[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
  std::vector<BYTE> block(256, 0xFF);
  block[0] = 0x00;
  block[1] = 0x01;
  const size_t digestInfo = sizeof kPrefix + 32;
  block[block.size() - digestInfo - 1] = 0x00;
  std::copy(std::begin(kPrefix), std::end(kPrefix), block.end() - digestInfo);
  std::fill(block.end() - 32, block.end(), BYTE{0x5A});
  return CSecureBuffer(static_cast<DWORD>(block.size()), block.data());
}

// The account's certificate makes qualified signatures: the program asks the user to confirm each
// one in its authentication dialog. This stands in for the user and confirms every one it sees.
class CConfirmingUser {
 public:
  explicit CConfirmingUser(DWORD processId)
      : thread([this, processId] {
          while (!stop.load()) {
            EnumWindows(&Confirm, static_cast<LPARAM>(processId));
            Sleep(50);
          }
        }) {}
  ~CConfirmingUser() {
    stop = true;
    thread.join();
  }
  CConfirmingUser(const CConfirmingUser&) = delete;
  CConfirmingUser& operator=(const CConfirmingUser&) = delete;

 private:
  static BOOL CALLBACK Confirm(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (owner != static_cast<DWORD>(processId) || std::wstring(caption) != L"luma-Pass V - Authentication")
      return TRUE;
    HWND ok = GetDlgItem(window, IDOK);
    if (ok != nullptr && IsWindowEnabled(ok)) PostMessageW(ok, BM_CLICK, 0, 0);
    return TRUE;
  }

  std::atomic<bool> stop{false};
  std::thread thread;
};

TEST_F(LumaPassVProcessTest, StopWhileSixteenClientsSignAgainstASlowServiceEndsInTime) {
  ASSERT_TRUE(luma::service::testing::TrustTestServiceCa());
  AliceFriendlyName(true);
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  // Every signature takes the service ten seconds.
  ConfigureProvider(service, true, L"/vault/integrated/anna/slow/10000");
  CProgram program(L"");
  StartRunning(program);
  ASSERT_TRUE(WaitFor([&] { return Logged(L"Auto-provision succeeded. Policy for user anna added."); }))
      << LogForMessage();
  std::wstring container;
  {
    CUnconnectedNamedPipeClient transport(UserPipePath(), 5000);
    CVirtualSmartCardClient client(&transport, L"process test");
    BYTE sessionId[16] = {};
    DWORD containers = 0;
    CSecureBuffer info, keyInfo, certificate;
    // The provisioning that follows the account's arrival may end sessions opened before it
    // finished (the container lookup then answers that the session is unknown): open again.
    ASSERT_TRUE(WaitFor([&] {
      return client.OpenSession(sessionId, containers) == 0 && containers == 1 &&
             client.GetContainerInfo(sessionId, 0, info, keyInfo, certificate) == 0;
    }));
    ASSERT_GE(info.size, 80u);
    container.assign(reinterpret_cast<const wchar_t*>(info.data), 40);
    container.resize(wcsnlen(container.c_str(), 40));
  }

  constexpr int kClients = 16;
  CConfirmingUser user(program.Id());
  std::atomic<int> finished{0};
  std::vector<DWORD> results(kClients, STILL_ACTIVE);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      CUnconnectedNamedPipeClient transport(UserPipePath(), 5000);
      CVirtualSmartCardClient client(&transport, L"process test");
      BYTE sessionId[16] = {};
      DWORD containers = 0;
      CSecureBuffer signature;
      results[i] = client.OpenSession(sessionId, containers);
      if (results[i] == 0)
        results[i] = client.SignData(sessionId, container, CALG_SHA_256, Sha256SignBlock(), signature);
      ++finished;
    });
  }
  const auto signaturesAsked = [&] {
    size_t count = 0;
    for (const auto& request : service.Requests())
      count += request.Header("SOAPAction").find("RsaPkcs1Sign") != std::string::npos ? 1 : 0;
    return count;
  };
  // Each signature waits for its turn in the one authentication dialog, so they reach the service
  // one after another.
  EXPECT_TRUE(
      WaitFor([&] { return signaturesAsked() >= static_cast<size_t>(kClients); }, 4 * kWaitMilliseconds))
      << signaturesAsked() << " signatures reached the service";

  const ULONGLONG stopping = GetTickCount64();
  CProgram stop(L"--stop");
  EXPECT_TRUE(program.HasEnded(kWaitMilliseconds));
  const ULONGLONG took = GetTickCount64() - stopping;
  // Well before the service's answers: the program did not wait for the calls in flight.
  EXPECT_LT(took, 8000u) << LogForMessage();
  EXPECT_EQ(0u, program.ExitCode());
  EXPECT_EQ(0u, stop.ExitCode());
  EXPECT_FALSE(Logged(L"PolicyUpdateThread did not end")) << LogForMessage();

  // Every client ends: with lumaPassV's answer, or the pipe's error once it is gone.
  EXPECT_TRUE(WaitFor([&] { return finished.load() == kClients; }, 20000));
  for (std::thread& client : clients) client.join();
  for (int i = 0; i < kClients; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(STILL_ACTIVE, results[i]);
    EXPECT_NE(0u, results[i]) << "no signature can have come back";
  }
}

}  // namespace
}  // namespace luma::app
