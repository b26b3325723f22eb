// The protocol handler lumaPassV runs: the service's handler with a user behind it. A signature or
// decryption that needs a confirmation, a login or the certificate's password opens the
// authentication dialog on the request's worker thread, one dialog at a time in the whole program,
// and the request goes on with what the user gave or answers with the way the dialog ended. Errors
// of the requests are shown in a dialog of their own, which waits for no other.
//
// End of life: Shutdown() sets the stop event, which releases every request waiting for its turn,
// and then OnShutdown() ends the dialogs still open, so that their workers return in time. The
// workers hold the handler through shared pointers, so no dialog runs on a destroyed handler.
#ifndef LUMA_SERVICE_GUIHANDLER_GUI_VSC_PROTOCOL_HANDLER_H_
#define LUMA_SERVICE_GUIHANDLER_GUI_VSC_PROTOCOL_HANDLER_H_

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "foundation/core/mutex_obj.h"
#include "service/handler/vsc_protocol_handler.h"
#include "ui/core/auth_plan.h"

namespace luma::ui {

class CBasePropertySheet;

// The windows of the handler's dialogs that are open; once closed, every dialog that opens is
// ended at once.
class COpenDialogs {
 public:
  // False when the dialogs are closed already: the caller ends its window.
  bool Add(HWND window);
  void Remove(HWND window);
  // Ends every open dialog with Cancel and every later one as it opens.
  void CloseAll();
  bool IsClosed();

 private:
  CMutexObj lock;
  std::set<HWND> windows;
  bool closed = false;
};

class CGUIVSCProtocolHandler : public CVSCProtocolHandler {
 public:
  using CVSCProtocolHandler::CVSCProtocolHandler;
  // Shutdown() first: OnShutdown uses this class's members.
  ~CGUIVSCProtocolHandler() override;

  DWORD Authenticate(const CCertContext& context, const CSessionRequest& request,
                     CAuthResult& result) override;
  void ShowError(const CAuthContext& context, const std::wstring& message) override;

 protected:
  void OnShutdown() override;

 private:
  // Holds the authentication lock from `Authenticate`'s wait to its return.
  DWORD AuthenticateWithLock(const CCertContext& context, const CSessionRequest& request,
                             CAuthResult& result);
  // Runs the sheet modally, ended at once when the handler is stopping.
  INT_PTR RunDialog(CBasePropertySheet& dialog);
  AuthSituation Situation(CAuthContext& context) const;

  std::shared_ptr<COpenDialogs> openDialogs = std::make_shared<COpenDialogs>();
};

}  // namespace luma::ui

#endif  // LUMA_SERVICE_GUIHANDLER_GUI_VSC_PROTOCOL_HANDLER_H_
