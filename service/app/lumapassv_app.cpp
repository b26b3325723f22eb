#include "service/app/lumapassv_app.h"

#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
// after windows.h
#include <ncrypt.h>

#include <vector>

#include "foundation/win/debug_log.h"
#include "foundation/win/event_tracing.h"
#include "foundation/win/system_utils.h"
#include "policy/signed/provider_discovery.h"
#include "policy/signed/trust_dll.h"
#include "service/app/auto_update.h"
#include "service/app/gdiplus_session.h"
#include "service/app/log_settings.h"
#include "service/app/single_instance.h"
#include "service/core/lumapassv_command_line.h"
#include "service/ui/about_dlg.h"
#include "ui/controls/tile_theme_store.h"

namespace luma::app {
namespace {

constexpr UINT kCaptionStringId = 10064;  // "luma-Pass V"

// The process's arguments, the program path first.
std::vector<std::wstring> ProcessArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  luma::CLocalMemoryHandle memory(CommandLineToArgvW(GetCommandLineW(), &count));
  auto** argv = luma::LocalAs<wchar_t*>(memory);
  if (argv == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : L"");
  return arguments;
}

void ShowCommandLineError(const luma::service::LumaPassVCommandLine& commandLine) {
  const std::wstring option = commandLine.errorOptionText.substr(0, luma::service::kMaxOptionTextInMessage);
  std::wstring message =
      FormatResourceString(luma::service::CommandLineErrorTextId(commandLine.error), option.c_str());
  if (message.size() > luma::service::kMaxCommandLineMessageLength)
    message.resize(luma::service::kMaxCommandLineMessageLength);
  const std::wstring caption = FormatResourceString(kCaptionStringId);
  CDebugLog::Log(LOG_ERROR, L"%s", message.c_str());
  MessageBoxW(nullptr, message.c_str(), caption.c_str(), MB_ICONERROR);
}

}  // namespace

CLumaPassVApp::CLumaPassVApp() : stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CLumaPassVApp::~CLumaPassVApp() {
  if (stopEvent) SetEvent(stopEvent.get());
}

std::wstring CLumaPassVApp::GetUserPipeName(const std::wstring& sid) {
  return L"{06303303-1134-404F-88FF-7C10DE37620A}-{" + sid;
}

BOOL CLumaPassVApp::RegisterCertStore() { return storeRegistration.Register() ? TRUE : FALSE; }

std::shared_ptr<CLumaPassVApp::ProtocolHandler> CLumaPassVApp::CreateProtocolHandler() {
  auto handler = std::make_shared<ProtocolHandler>(signalMutex);
  if (!settings->FriendlyNamePrefix.empty())
    handler->SetFriendlyNamePrefix(settings->FriendlyNamePrefix + L" ");
  for (const std::wstring& process : settings->ExcludedProcesses) handler->AddExcludedProcess(process);
  for (const std::wstring& process : settings->ExcludedRemoteProcesses)
    handler->AddExcludedRemoteProcess(process);
  return handler;
}

BOOL CLumaPassVApp::InitInstance() {
  // 1-2. Command line and protocol URL.
  const luma::service::LumaPassVCommandLine commandLine =
      luma::service::ParseLumaPassVCommandLine(ProcessArguments());
  if (commandLine.error != luma::service::OptionNoError) {
    ShowCommandLineError(commandLine);
    return kCommandLineError;
  }

  // 3-4. Event tracing and log.
  EtwTraceStart();
  logFile = ReadLogSettings();

  // 5. One instance per user.
  const std::wstring sid = GetCurrentUserSidString();
  const std::wstring mutexName = BuildInstanceMutexName(sid);
  instanceMutex.reset(CreateMutexW(nullptr, TRUE, mutexName.c_str()));
  const DWORD mutexError = GetLastError();
  if (!instanceMutex) {
    CDebugLog::Log(LOG_ERROR, L"Could not create application mutex %s", mutexName.c_str());
    // Nothing runs that could be stopped, and "--stop" never starts the program.
    if (!commandLine.startAlone && !commandLine.restart) return FALSE;
  } else if (mutexError == ERROR_ALREADY_EXISTS) {
    CDebugLog::Log(LOG_DEBUG, L"luma-Pass V is already running");
    RunningInstanceNotice notice = NotifyRunningInstance(commandLine);
    if (!commandLine.restart) return FALSE;
    previousInstance = std::move(notice.stillRunning);
  } else if (!commandLine.startAlone && !commandLine.restart) {
    return FALSE;  // nothing to stop
  }

  // 6-7. Program file and version.
  wchar_t path[MAX_PATH] = {};
  const DWORD pathLength = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (pathLength == 0 || pathLength >= MAX_PATH) {
    CDebugLog::Log(LOG_ERROR, L"Unable to get lumaPassV version");
    return FALSE;
  }
  programPath.assign(path, pathLength);
  const size_t lastSlash = programPath.find_last_of(L'\\');
  if (lastSlash != std::wstring::npos && lastSlash != 0)
    applicationDirectory = programPath.substr(0, lastSlash + 1);
  std::wstring productName;
  std::wstring productVersion;
  std::wstring legalNotice;
  GetFileVersionStrings(programPath, productName, productVersion, legalNotice);
  versionText = productName + L" " + productVersion;
  CDebugLog::Log(LOG_INFO, L"Starting lumaPassV %s", productVersion.c_str());

  // 8. Loads the software key storage provider once, so that later key operations find it ready.
  NCRYPT_PROV_HANDLE keyStorage = 0;
  if (NCryptOpenStorageProvider(&keyStorage, MS_KEY_STORAGE_PROVIDER, 0) == ERROR_SUCCESS) {
    NCryptFreeObject(keyStorage);
  }

  // 9. The product's store; a failure (the platform may not support it) is not an obstacle.
  if (RegisterCertStore()) {
    CDebugLog::Log(LOG_INFO, L"Successfully registered lumaPassV Cert Store for current user");
  }
  // A previous instance that ends only now removes its registration: register again after its end.
  if (previousInstance) storeRegistration.CheckAgainWhenEnded(std::move(previousInstance));

  // 10. Session.
  consoleSession = IsConsoleSession();
  CDebugLog::Log(LOG_INFO, L"Current session is a console session: %s", consoleSession ? L"yes" : L"no");

  // 11. Settings and interface language.
  settings = std::make_shared<CLumaPassVConfig>();
  SetUILanguageOverride(settings->languageId);
  SetThreadUILanguage(settings->languageId);

  // 12. Providers.
  CProviderConfigMap providers;
  luma::policy::LoadProviderConfigs(providers);
  if (providers.empty()) {
    CDebugLog::Log(LOG_INFO, L"No providers available");
    return FALSE;
  }

  // 13-14. COM and GDI+.
  oleInitialized = SUCCEEDED(OleInitialize(nullptr));
  comInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  CDebugLog::Log(LOG_DEBUG, L"Initializing GDI+");
  gdiplusToken = StartGdiplus();

  // 15. The tiles' colour theme, read once before any window exists.
  luma::ui::LoadTileThemes();

  // 16-17. Virtual reader and its signal mutex (created in the system only when certificates are).
  const bool readerPresent = IsVirtualReaderPresent();
  CDebugLog::Log(LOG_INFO, L"Virtual Smart Card reader is available: %s", readerPresent ? L"yes" : L"no");
  signalMutex = std::make_shared<CVSCDriverMutex>(settings->SmartCardCommunicationGUID);

  // 18-19. Protocol handler.
  CDebugLog::Log(LOG_DEBUG, L"Configuring crypto handler");
  protocolHandler = CreateProtocolHandler();

  // 20. Pipe servers.
  if (consoleSession && readerPresent) {
    CDebugLog::Log(LOG_DEBUG, L"CVSCServer::Start");
    auto server = std::make_shared<CVSCServer>(settings->SmartCardCommunicationGUID, protocolHandler,
                                               luma::service::PipeMode::Reader);
    server->Start();
    pipeServers.push_back(server);
  }
  CDebugLog::Log(LOG_DEBUG, L"CVSCServer::Start");
  auto userServer = std::make_shared<CVSCServer>(GetUserPipeName(sid) + L"}", protocolHandler,
                                                 luma::service::PipeMode::PerUser);
  userServer->Start();
  pipeServers.push_back(userServer);

  // 21-22. Trust DLLs and one context per provider.
  {
    const auto trusts = luma::policy::LoadPolicySignerTrusts(applicationDirectory + L"Provider");
    providerContexts = luma::policy::CreateProviderContexts(providers, trusts);
  }
  CAutoUpdateList autoUpdates;
  for (const auto& entry : providerContexts) {
    const auto& context = entry.second;
    protocolHandler->AddProviderContext(context);
    context->AddObserver(protocolHandler.get());
    context->LoadPolicies();
    if (context->IsAutoProvisionDue() || context->IsAutoRefreshEnabled()) autoUpdates.push_back(context);
  }
  CDebugLog::Log(LOG_DEBUG, L"Starting crypto handler");

  // 24. Main window.
  mainWindow = std::make_unique<ui::CMainFrame>(providerContexts, settings, *this);
  if (!mainWindow->Create()) {
    CDebugLog::Log(LOG_ERROR, L"Could not create the main window (%u)", GetLastError());
    mainWindow.reset();
    return FALSE;
  }
  ShowWindow(mainWindow->Handle(), SW_HIDE);
  UpdateWindow(mainWindow->Handle());
  SetMainWindow(mainWindow.get());

  // 25. Automatic provisioning and refresh.
  if (!autoUpdates.empty() && !autoUpdate.Start(std::move(autoUpdates), stopEvent.get())) {
    CDebugLog::Log(LOG_ERROR, L"Could not start the auto-provisioning thread");
  }

  // 26. The URL this instance was started with goes to its own main window.
  if (commandLine.protocol) SendProtocolUrl(mainWindow->Handle(), commandLine.protocolUrl);
  return TRUE;
}

int CLumaPassVApp::ExitInstance() {
  CDebugLog::Log(LOG_DEBUG, L"CLumaPassVApp::ExitInstance()");
  if (stopEvent) SetEvent(stopEvent.get());
  // The automatic update's remote call ends now rather than at its time-out.
  autoUpdate.Abort();
  if (signalMutex) {
    signalMutex->Destroy();
    signalMutex.reset();
  }
  for (auto& server : pipeServers) {
    server->Stop();
    server.reset();
  }
  pipeServers.clear();
  // Before the handler is let go: its threads end or are left to the end of the process, and it
  // leaves the providers' observers, waiting out a notification of the automatic update.
  if (protocolHandler) protocolHandler->Shutdown();
  if (!autoUpdate.Wait(CAutoUpdateThread::kStopMilliseconds)) {
    CDebugLog::Log(
        LOG_ERROR,
        L"The auto-provisioning thread did not end within %u ms; it is left to the end of the process",
        static_cast<unsigned>(CAutoUpdateThread::kStopMilliseconds));
  }
  providerContexts.clear();
  protocolHandler.reset();
  settings.reset();
  if (gdiplusToken != 0) {
    CDebugLog::Log(LOG_DEBUG, L"Shutting down GDI+");
    StopGdiplus(gdiplusToken);
    gdiplusToken = 0;
  }
  if (storeRegistration.Unregister()) {
    CDebugLog::Log(LOG_INFO, L"Successfully unregistered lumaPassV Cert Store for current user");
  }
  CDebugLog::Log(LOG_INFO, L"Stopping lumaPassV");
  instanceMutex.reset();
  mainWindow.reset();
  if (comInitialized) CoUninitialize();
  if (oleInitialized) OleUninitialize();
  comInitialized = oleInitialized = false;
  CDebugLog::Log(LOG_DEBUG, L"CWinapp::ExitInstance()");
  EtwTraceStop();
  CloseLog();
  return CWinAppBase::ExitInstance();
}

void CLumaPassVApp::OnAppAbout() {
  ui::CAboutDlg about(logFile);
  about.DoModal();
}

void CLumaPassVApp::SwitchToConsoleSession() {
  if (consoleSession) return;
  consoleSession = true;
  CDebugLog::Log(LOG_INFO, L"Session type changed to console");
  if (protocolHandler) protocolHandler->ReprovisionAllPolicies();
}

void CLumaPassVApp::SwitchToRemoteSession() {
  if (!consoleSession) return;
  consoleSession = false;
  CDebugLog::Log(LOG_INFO, L"Session type changed to remote");
  if (protocolHandler) protocolHandler->ReprovisionAllPolicies();
}

}  // namespace luma::app
