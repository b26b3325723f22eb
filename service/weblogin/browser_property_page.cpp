#include "service/weblogin/browser_property_page.h"

#include <string>

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/browser_auth_config.h"
#include "service/authdlg/pin_cache_update.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/weblogin/weblogin_resource_ids.h"
#include "ui/core/auth_outcome.h"
#include "ui/core/tile_theme.h"

namespace luma::ui {
namespace {

std::shared_ptr<CBrowserAuthConfig> BrowserMethod(const CAuthContext& context) {
  return std::dynamic_pointer_cast<CBrowserAuthConfig>(context.providerContext->config.GetAuthConfig());
}

void CheckCachedPin(CAuthContext& context, const std::wstring& cookie, CBrowserThreadResult& result) {
  CSecureBuffer pin;
  if (!context.providerContext->pinCache.GetPin(*context.certificatePolicy, pin)) return;
  try {
    CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                                nullptr);
    client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
    int tries = -1;
    const int status = client.VerifyPin(context.certificatePolicy->alias, pin, tries);
    if (status == kPinOk) result.pin = pin;
    ApplyPinCacheAction(context, PinCheckCacheAction(status, false), CSecureBuffer());
  } catch (const CSOAPServiceException& error) {
    result.error = error;
  } catch (const CWindowsException& error) {
    result.error =
        CSOAPServiceException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  pin.Clear();
}

}  // namespace

std::unique_ptr<CApplyWorkerResult> BrowserLoginWorker(CApplyWorkerParameter* parameter,
                                                       volatile LONG* cancelled) {
  auto* input = dynamic_cast<CBrowserThreadParameter*>(parameter);
  auto result = std::make_unique<CBrowserThreadResult>();
  if (input == nullptr || (cancelled != nullptr && InterlockedCompareExchange(cancelled, 0, 0) != 0))
    return result;
  CAuthContext& context = input->context;
  context.GetToken(result->token);
  std::wstring cookie;
  BufferToString(result->token, cookie);
  if (context.HasPin() && context.providerContext->pinCache.IsPinCached(*context.certificatePolicy)) {
    CheckCachedPin(context, cookie, *result);
  }
  WipeString(cookie);
  return result;
}

CBrowserPropertyPage::CBrowserPropertyPage(const CAuthContext& authContext, CAuthResult* result)
    : CAuthDialogPage(IDD_BROWSER_LOGIN, authContext, 0), authResult(result) {}

CBrowserPropertyPage::~CBrowserPropertyPage() {
  frame.reset();  // a frame still open goes first: its browser still tells the dispatcher
  if (dispatcher) dispatcher->WipeCookie();
}

void CBrowserPropertyPage::DoDataExchange() {
  CAuthDialogPage::DoDataExchange();
  startButton.Bind(m_hWnd, IDC_BROWSER_START);
}

BOOL CBrowserPropertyPage::OnInitDialog() {
  CAuthDialogPage::OnInitDialog();
  startButton.SetText(FormatResourceString(IDS_BROWSER_RETRY));
  return TRUE;
}

BOOL CBrowserPropertyPage::OnSetActive() {
  const BOOL result = CAuthDialogPage::OnSetActive();
  EnableSheetButtons(FALSE);
  CertificateTileControl().SetTileState(kTileInactive);
  if (startButton.Handle() != nullptr) ShowWindow(startButton.Handle(), SW_HIDE);
  // The login starts by itself once the page shows.
  PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BROWSER_START, BN_CLICKED),
               reinterpret_cast<LPARAM>(startButton.Handle()));
  return result;
}

bool CBrowserPropertyPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_BROWSER_START && code == BN_CLICKED) {
    if (!started && !IsRunning()) OnStartAuthentication();
    return true;
  }
  return CAuthDialogPage::OnCommand(id, code, control);
}

HWND CBrowserPropertyPage::SheetWindow() const { return Sheet() != nullptr ? Sheet()->Handle() : nullptr; }

void CBrowserPropertyPage::OnStartAuthentication() {
  started = true;
  SetStatus(FormatResourceString(IDS_BROWSER_FOLLOW_DIRECTIONS).c_str(), false);
  const std::shared_ptr<CBrowserAuthConfig> method = BrowserMethod(context);
  dispatcher = std::make_shared<CWebAuthDispatcher>(method, context.policy->userId, false);
  dispatcher->notifyWindow = m_hWnd;
  CBrowserFrameSize size;
  if (method) {
    size.cx = method->CX;
    size.cy = method->CY;
    size.offsetX = method->OffsetX;
  }
  frame = std::make_unique<CBrowserFrameWnd>(m_hWnd, GetCaption(), dispatcher, size);
  frameWindow = frame->Handle();
  if (frameWindow == nullptr) {
    // No window, no browser: the login ends as cancelled at once.
    dispatcher->OnBrowserClosed();
    return;
  }
  dispatcher->frameWindow = frameWindow;
  ShowWindow(frameWindow, SW_SHOW);
  if (HWND sheet = SheetWindow()) EnableWindow(sheet, FALSE);
  startButton.Enable(FALSE);
}

bool CBrowserPropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == BrowserControlClosedMessage()) {
    OnBrowserControlClosed();
    result = 0;
    return true;
  }
  return CAuthDialogPage::DialogProc(message, wParam, lParam, result);
}

void CBrowserPropertyPage::OnBrowserControlClosed() {
  if (!dispatcher) return;
  SetStatus(nullptr, false);
  started = false;
  frameWindow = nullptr;
  if (HWND sheet = SheetWindow()) {
    EnableWindow(sheet, TRUE);
    SetForegroundWindow(sheet);
  }
  std::wstring cookie = dispatcher->GetCookie();
  const std::wstring error = dispatcher->GetErrorText();
  dispatcher->WipeCookie();
  dispatcher.reset();
  frame.reset();  // its window is gone already
  if (!cookie.empty()) {
    CSecureBuffer token;
    StringToBuffer(cookie, token);
    context.providerContext->tokenCache.StoreToken(*context.policy, token);
    token.Clear();
    EnableSheetButtons(TRUE);
    SetModified(TRUE);
    OnApply();
  } else {
    SetStatus(error.c_str(), true);
    if (startButton.Handle() != nullptr) ShowWindow(startButton.Handle(), SW_SHOW);
    startButton.Enable(TRUE);
    EnableSheetButtons(FALSE);
  }
  WipeString(cookie);
}

bool CBrowserPropertyPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                          std::unique_ptr<CApplyWorkerParameter>& parameter,
                                          bool& cancellable) {
  auto input = std::make_unique<CBrowserThreadParameter>();
  input->context = context;
  worker = &BrowserLoginWorker;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CBrowserPropertyPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                                 CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CBrowserThreadResult*>(workerResult);
  if (outcome == nullptr || outcome->error.GetError() != 0) {
    const std::wstring message = outcome != nullptr ? outcome->error.GetMessage()
                                                    : FormatSystemErrorMessage(ERROR_INTERNAL_ERROR, true);
    ShowMessage(FormatResourceString(IDS_SERVICE_ERROR, message.c_str()));
    SetStatus(message.c_str(), true);
    if (Sheet() != nullptr) Sheet()->EnableOK(FALSE);
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    return;
  }
  if (authResult != nullptr) {
    authResult->token = outcome->token;
    authResult->pin = outcome->pin;
  }
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
  if (Sheet() == nullptr) return;
  if (context.HasPin() && !context.providerContext->pinCache.IsPinCached(*context.certificatePolicy)) {
    Sheet()->NextPage();  // the PIN page; without one the dialog stays here
  } else {
    Sheet()->PostEndDialog(IDOK);
  }
}

void CBrowserPropertyPage::OnDestroy() {
  frame.reset();
  if (dispatcher) {
    dispatcher->WipeCookie();
    dispatcher.reset();
  }
  CAuthDialogPage::OnDestroy();
}

}  // namespace luma::ui
