#include "service/guihandler/gui_vsc_protocol_handler.h"

#include <utility>
#include <vector>

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "service/auth/auth_check.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/authentication_dialog.h"
#include "service/authdlg/check_property_page.h"
#include "service/authdlg/message_pages.h"
#include "service/authdlg/otp_property_page.h"
#include "service/authdlg/vsc_property_page.h"
#include "service/weblogin/browser_property_page.h"
#include "ui/framework/apply_worker.h"

namespace luma::ui {
namespace {

// The authentication dialog as the handler runs it: listed among the open dialogs while its window
// exists, and ended at once when it opens after the handler began to stop.
class CHandlerDialog : public CAuthenticationDialog {
 public:
  explicit CHandlerDialog(std::shared_ptr<COpenDialogs> open)
      : CAuthenticationDialog(nullptr, IDS_AUTH_CAPTION), open(std::move(open)) {}

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CAuthenticationDialog::OnInitDialog();
    if (!open->Add(m_hWnd)) PostEndDialog(IDCANCEL);
    return result;
  }
  void OnDestroy() override {
    open->Remove(m_hWnd);
    CAuthenticationDialog::OnDestroy();
  }

 private:
  std::shared_ptr<COpenDialogs> open;
};

// Releases the authentication lock on every way out.
class CLockRelease {
 public:
  explicit CLockRelease(HANDLE lock) : lock(lock) {}
  ~CLockRelease() { ReleaseMutex(lock); }
  CLockRelease(const CLockRelease&) = delete;
  CLockRelease& operator=(const CLockRelease&) = delete;

 private:
  HANDLE lock;
};

}  // namespace

bool COpenDialogs::Add(HWND window) {
  CMutexObjLock guard(lock);
  if (closed) return false;
  windows.insert(window);
  return true;
}

void COpenDialogs::Remove(HWND window) {
  CMutexObjLock guard(lock);
  windows.erase(window);
}

void COpenDialogs::CloseAll() {
  std::vector<HWND> open;
  {
    CMutexObjLock guard(lock);
    closed = true;
    open.assign(windows.begin(), windows.end());
  }
  // Posted: each dialog ends on its own thread, in its own modal loop.
  for (HWND window : open) PostMessageW(window, EndDialogMessage(), IDCANCEL, 0);
}

bool COpenDialogs::IsClosed() {
  CMutexObjLock guard(lock);
  return closed;
}

CGUIVSCProtocolHandler::~CGUIVSCProtocolHandler() { Shutdown(); }

void CGUIVSCProtocolHandler::OnShutdown() { openDialogs->CloseAll(); }

DWORD CGUIVSCProtocolHandler::Authenticate(const CCertContext& context, const CSessionRequest& request,
                                           CAuthResult& result) {
  CDebugLog::Log(LOG_TRACE, L"GUICVSCProtocolHandler::Authenticate");
  const HANDLE waits[2] = {AuthenticationMutex(), StopEvent()};
  const DWORD wait = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  switch (ClassifyAuthLockWait(wait)) {
    case AuthLockWait::kObtained:
      break;
    case AuthLockWait::kStopped:
      CDebugLog::Log(LOG_INFO, L"Authentication ended: the program is stopping");
      return kAuthStopped;
    case AuthLockWait::kFailed:
      CDebugLog::Log(LOG_ERROR, L"Waiting for the authentication lock failed: 0x%08X (%u)", wait,
                     GetLastError());
      return kAuthStopped;
  }
  // An abandoned lock is owned all the same; releasing it keeps every later authentication going.
  if (wait == WAIT_ABANDONED_0) {
    CDebugLog::Log(LOG_WARNING, L"The authentication lock was abandoned by a thread that ended; taken over");
  }
  CLockRelease release(waits[0]);
  try {
    return AuthenticateWithLock(context, request, result);
  } catch (const std::exception& error) {
    CDebugLog::Log(LOG_ERROR, L"Authentication failed: %hs", error.what());
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Authentication failed");
  }
  return kAuthCancelled;
}

AuthSituation CGUIVSCProtocolHandler::Situation(CAuthContext& context) const {
  AuthSituation situation;
  const std::shared_ptr<CAuthConfig> method = context.providerContext->config.GetAuthConfig();
  situation.authType = method ? method->type : 0;
  situation.interactive = context.IsInteractive();
  situation.accountReady = context.CanAuthenticateSilently();
  situation.pinReady = context.IsPinCached();
  situation.qualified =
      context.certificatePolicy->certificateType.flags[CCertificateType::kQualifiedSignature];
  return situation;
}

DWORD CGUIVSCProtocolHandler::AuthenticateWithLock(const CCertContext& context,
                                                   const CSessionRequest& request, CAuthResult& result) {
  result.Clear();
  auto authContext =
      std::make_shared<CAuthContext>(context.providerContext, context.policy, context.certificatePolicy);
  if (!IsAllowedRequest(authContext, request)) {
    CDebugLog::Log(LOG_ERROR, L"Request is not allowed by policy");
    return kAuthNotAllowed;
  }
  {
    // The session token and the PIN that need no user, checked with the service first.
    std::shared_ptr<CAuthCheck> check = CAuthCheck::Start(authContext);
    check->Wait();
    result = check->result;
  }
  const AuthPlan plan = PlanAuthentication(Situation(*authContext));
  if (plan.kind == AuthPlanKind::kGrant) return kAuthGranted;
  if (plan.kind == AuthPlanKind::kCancel) {
    CDebugLog::Log(LOG_ERROR, L"The account's login method has no page to log in with here");
    return kAuthCancelled;
  }
  if (IsStopping()) return kAuthStopped;

  CHandlerDialog dialog(openDialogs);
  if (plan.kind == AuthPlanKind::kConfirm) {
    dialog.AddPage(
        std::make_shared<CConfirmPropertyPage>(*authContext, FormatResourceString(IDS_CONFIRM_QUALIFIED)));
  }
  for (const AuthPage page : plan.pages) {
    switch (page) {
      case AuthPage::kOtpLogin:
        dialog.AddPage(std::make_shared<COTPPropertyPage>(*authContext, &result));
        break;
      case AuthPage::kBrowserLogin:
        dialog.AddPage(std::make_shared<CBrowserPropertyPage>(*authContext, &result));
        break;
      case AuthPage::kCheck:
        dialog.AddPage(std::make_shared<CCheckPropertyPage>(*authContext, &result, true, false, 0, 0, 0, 0));
        break;
      case AuthPage::kPassword:
        dialog.AddPage(std::make_shared<CVSCPropertyPage>(*authContext, &result));
        break;
    }
  }
  if (dialog.GetPageCount() == 0) return kAuthCancelled;
  const INT_PTR outcome = RunDialog(dialog);
  const bool blocked = plan.kind == AuthPlanKind::kDialog && outcome != IDOK && authContext->IsBlocked();
  return AuthDialogStatus(static_cast<int>(outcome), blocked, IsStopping());
}

INT_PTR CGUIVSCProtocolHandler::RunDialog(CBasePropertySheet& dialog) {
  if (openDialogs->IsClosed()) return IDCANCEL;
  return dialog.DoModal();
}

void CGUIVSCProtocolHandler::ShowError(const CAuthContext& context, const std::wstring& message) {
  try {
    CHandlerDialog dialog(openDialogs);
    dialog.AddPage(std::make_shared<CErrorPropertyPage>(context, message));
    RunDialog(dialog);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The error could not be shown: %s", message.c_str());
  }
}

}  // namespace luma::ui
