// The application object of lumaPassV: its start-up wires every component of the program together
// (command line, event tracing, log, single instance, store registration, settings, providers, COM
// and GDI+, signal mutex, protocol handler, pipe servers, trust DLLs, provider contexts, main window
// and automatic provisioning) and its shut-down takes them down again in a fixed order.
#ifndef LUMA_SERVICE_APP_LUMAPASSV_APP_H_
#define LUMA_SERVICE_APP_LUMAPASSV_APP_H_

#include <windows.h>

#include <list>
#include <map>
#include <memory>
#include <string>

#include "foundation/win/unique_handle.h"
#include "policy/account/provider_context.h"
#include "policy/config/lumapassv_config.h"
#include "service/app/auto_update.h"
#include "service/app/cert_store_registration.h"
#include "service/app/hidden_main_window.h"
#include "service/app/win_app.h"
#include "service/guihandler/gui_vsc_protocol_handler.h"
#include "service/handler/vsc_protocol_handler.h"
#include "service/pipe/vsc_driver_mutex.h"
#include "service/pipe/vsc_server.h"

namespace luma::app {

class CLumaPassVApp : public CWinAppBase, public ui::CMainFrameHost {
 public:
  // The handler that asks the user: authentication and error dialogs on the requests' workers.
  using ProtocolHandler = ui::CGUIVSCProtocolHandler;

  static constexpr wchar_t kAppId[] = L"Nuvak.LumaPassV.1.0";

  CLumaPassVApp();
  ~CLumaPassVApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Registers the product's store for the user; true when both registrations succeeded.
  BOOL RegisterCertStore();
  // "{06303303-1134-404F-88FF-7C10DE37620A}-{" and the SID (the caller appends "}").
  static std::wstring GetUserPipeName(const std::wstring& sid);

  void SwitchToConsoleSession() override;
  void SwitchToRemoteSession() override;
  // The About box (the tray's About command and the account list's About entry).
  void OnAppAbout() override;
  std::wstring VersionText() const override { return versionText; }

  const std::wstring& GetVersionText() const { return versionText; }
  const std::wstring& GetLogFile() const { return logFile; }
  std::shared_ptr<CLumaPassVConfig> GetSettings() const { return settings; }

 private:
  // The handler the pipe servers serve, with the friendly-name prefix and the black lists.
  std::shared_ptr<ProtocolHandler> CreateProtocolHandler();

  std::wstring applicationDirectory;
  std::wstring programPath;
  std::wstring versionText;
  luma::CKernelHandle stopEvent;
  std::wstring logFile;
  luma::CKernelHandle instanceMutex;
  std::shared_ptr<CVSCDriverMutex> signalMutex;
  std::list<std::shared_ptr<CVSCServer>> pipeServers;
  std::shared_ptr<ProtocolHandler> protocolHandler;
  std::map<std::wstring, std::shared_ptr<CProviderContext>> providerContexts;
  std::shared_ptr<CLumaPassVConfig> settings;
  bool consoleSession = true;
  ULONG_PTR gdiplusToken = 0;

  bool comInitialized = false;
  bool oleInitialized = false;
  CCertStoreRegistration storeRegistration;
  luma::CKernelHandle previousInstance;  // a restarted instance that had not ended yet
  std::unique_ptr<ui::CMainFrame> mainWindow;
  CAutoUpdateThread autoUpdate;
};

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_LUMAPASSV_APP_H_
