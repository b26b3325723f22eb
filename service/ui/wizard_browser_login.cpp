#include "service/ui/wizard_browser_login.h"

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma {
namespace ui {

std::unique_ptr<CApplyWorkerResult> WizBrowserThread(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CWizBrowserThreadParameter*>(parameter);
  auto result = std::make_unique<CWizCheckThreadResult>();
  if (input == nullptr || !input->provider) return result;
  try {
    CVaultCoreSOAPClient client(input->provider->config.service, CSecureBuffer(), nullptr);
    SetWizardCookie(client, input->token);
    FetchAccountPolicy(client, *input->provider, *result);
  } catch (const CSOAPServiceException& error) {
    result->serviceError = error;
  } catch (const CPolicyException& error) {
    result->policyError = error;
  } catch (const CWindowsException& error) {
    result->serviceError = ServiceErrorOf(static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  return result;
}

CWizardBrowserLogin::~CWizardBrowserLogin() { Close(); }

void PostStartLogin(HWND page, HWND retryButton) {
  if (retryButton == nullptr) return;
  ShowWindow(retryButton, SW_HIDE);
  PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_WIZ_RETRY, BN_CLICKED),
               reinterpret_cast<LPARAM>(retryButton));
}

void CWizardBrowserLogin::Start(CAuthDialogPage& page, HWND retryButton, const std::wstring& userId,
                                bool registration) {
  page.SetStatus(FormatResourceString(IDS_BROWSER_FOLLOW_DIRECTIONS).c_str(), false);
  const CProviderContext& provider = *page.Context().providerContext;
  const auto method = std::dynamic_pointer_cast<CBrowserAuthConfig>(provider.config.GetAuthConfig());
  dispatcher = std::make_shared<CWebAuthDispatcher>(method, userId, registration);
  dispatcher->notifyWindow = page.Handle();
  CBrowserFrameSize size;
  if (method) {
    size.cx = method->CX;
    size.cy = method->CY;
    size.offsetX = method->OffsetX;
  }
  frame = std::make_unique<CBrowserFrameWnd>(page.Handle(), page.GetCaption(), dispatcher, size);
  if (frame->Handle() == nullptr) {
    dispatcher->OnBrowserClosed();  // no window, no browser: cancelled
    return;
  }
  dispatcher->frameWindow = frame->Handle();
  ShowWindow(frame->Handle(), SW_SHOW);
  if (retryButton != nullptr) EnableWindow(retryButton, FALSE);
  if (page.Sheet() != nullptr) EnableWindow(page.Sheet()->Handle(), FALSE);
}

bool CWizardBrowserLogin::Finish(CAuthDialogPage& page, HWND retryButton, CSecureBuffer& token) {
  if (!dispatcher) return false;
  page.SetStatus(nullptr, false);
  if (page.Sheet() != nullptr) {
    EnableWindow(page.Sheet()->Handle(), TRUE);
    SetForegroundWindow(page.Sheet()->Handle());
  }
  std::wstring cookie = dispatcher->GetCookie();
  const std::wstring error = dispatcher->GetErrorText();
  dispatcher->WipeCookie();
  dispatcher.reset();
  frame.reset();  // its window is gone already
  const bool loggedIn = !cookie.empty();
  if (loggedIn) {
    StringToBuffer(cookie, token);
  } else {
    page.SetStatus(error.c_str(), true);
    if (retryButton != nullptr) {
      ShowWindow(retryButton, SW_SHOW);
      EnableWindow(retryButton, TRUE);
    }
  }
  WipeString(cookie);
  return loggedIn;
}

void CWizardBrowserLogin::Close() {
  frame.reset();  // a frame still open goes first: its browser still tells the dispatcher
  if (dispatcher) {
    dispatcher->WipeCookie();
    dispatcher.reset();
  }
}

}  // namespace ui
}  // namespace luma
