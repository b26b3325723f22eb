#include "service/authdlg/otp_property_page.h"

#include <string>

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/auth_config.h"
#include "service/authdlg/auth_messages.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/pin_cache_update.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/vault_otp_auth_client.h"
#include "ui/core/auth_outcome.h"
#include "ui/core/tile_theme.h"

namespace luma {
namespace ui {
namespace {

std::shared_ptr<COTPConfig> OtpMethod(const CAuthContext& context) {
  return std::dynamic_pointer_cast<COTPConfig>(context.providerContext->config.GetAuthConfig());
}

// The UTF-16 text of a buffer that holds its terminator.
std::wstring TextOf(const CSecureBuffer& buffer) {
  std::wstring text;
  BufferToString(buffer, text);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

void CheckCachedPin(CAuthContext& context, COTPThreadResult& result) {
  CSecureBuffer pin;
  if (!context.providerContext->pinCache.GetPin(*context.certificatePolicy, pin)) return;
  std::wstring cookie;
  BufferToString(result.token, cookie);
  try {
    CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                                nullptr);
    client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
    int tries = -1;
    const int status = client.VerifyPin(context.certificatePolicy->alias, pin, tries);
    if (status == kPinOk) result.pin = pin;
    ApplyPinCacheAction(context, PinCheckCacheAction(status, false), CSecureBuffer());
  } catch (const CSOAPServiceException& error) {
    result.verifyError = error;
  } catch (const CWindowsException& error) {
    result.verifyError =
        CSOAPServiceException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  WipeString(cookie);
  pin.Clear();
}

}  // namespace

std::unique_ptr<CApplyWorkerResult> OtpLoginWorker(CApplyWorkerParameter* parameter,
                                                   volatile LONG* cancelled) {
  auto* input = dynamic_cast<COTPThreadParameter*>(parameter);
  auto result = std::make_unique<COTPThreadResult>();
  if (input == nullptr) return result;
  CAuthContext& context = input->context;
  const std::shared_ptr<COTPConfig> method = OtpMethod(context);
  if (!method) {
    result->loginError = CAuthenticationException(500, ERROR_BAD_CONFIGURATION, L"");
    return result;
  }
  std::wstring password = TextOf(input->password);
  std::wstring otp = TextOf(input->otp);
  try {
    CVaultOTPAuthClient client(method->GetServiceConfig(), method->ServiceParameters);
    std::wstring cookie = client.Authenticate(context.policy->userId, password, otp);
    StringToBuffer(cookie, result->token);
    WipeString(cookie);
    context.providerContext->tokenCache.StoreToken(*context.policy, result->token);
  } catch (const CAuthenticationException& error) {
    result->loginError = error;
  } catch (const CWindowsException& error) {
    result->loginError =
        CAuthenticationException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  // A cancelled dialog keeps the new session but no longer needs the PIN.
  const bool cancelledRun = InterlockedCompareExchange(cancelled, 0, 0) != 0;
  if (!cancelledRun && result->loginError.GetError() == 0 && context.HasPin() &&
      context.providerContext->pinCache.IsPinCached(*context.certificatePolicy)) {
    CheckCachedPin(context, *result);
  }
  WipeString(password);
  WipeString(otp);
  return result;
}

COTPPropertyPage::COTPPropertyPage(const CAuthContext& authContext, CAuthResult* authResult)
    : CAuthDialogPage(IDD_OTP_LOGIN, authContext, 0), result(authResult) {}

void COTPPropertyPage::DoDataExchange() {
  CAuthDialogPage::DoDataExchange();
  user.SubclassDlgItem(m_hWnd, IDC_OTP_USER);
  password.SubclassDlgItem(m_hWnd, IDC_OTP_PASSWORD);
  code.SubclassDlgItem(m_hWnd, IDC_OTP_CODE);
  userTip.Attach(m_hWnd, IDC_OTP_USER_TIP);
  passwordTip.Attach(m_hWnd, IDC_OTP_PASSWORD_TIP);
  codeTip.Attach(m_hWnd, IDC_OTP_CODE_TIP);
}

BOOL COTPPropertyPage::OnInitDialog() {
  CAuthDialogPage::OnInitDialog();
  if (const std::shared_ptr<COTPConfig> method = OtpMethod(context)) {
    userTip.SetText(method->ToolTipUserID);
    passwordTip.SetText(method->ToolTipPassword);
    codeTip.SetText(method->ToolTipOTP);
    SendMessageW(user.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(method->HintUserID.c_str()));
    SendMessageW(password.Handle(), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(method->HintPassword.c_str()));
    SendMessageW(code.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(method->HintOTP.c_str()));
  }
  user.SetText(context.policy->userId);
  user.Enable(FALSE);
  return TRUE;
}

void COTPPropertyPage::ClearSecrets() {
  password.Clear();
  code.Clear();
}

BOOL COTPPropertyPage::OnSetActive() {
  ClearSecrets();
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(password.Handle()), TRUE);
  EnableSheetButtons(FALSE);
  CertificateTileControl().SetTileState(kTileInactive);
  return CAuthDialogPage::OnSetActive();
}

void COTPPropertyPage::OnFieldChange() {
  if (Sheet() == nullptr || Sheet()->IsBusy()) return;
  const bool filled = GetWindowTextLengthW(user.Handle()) > 0 &&
                      GetWindowTextLengthW(password.Handle()) > 0 && GetWindowTextLengthW(code.Handle()) > 0;
  Sheet()->EnableOK(filled ? TRUE : FALSE);
  if (filled) SetModified(TRUE);
  SetStatus(nullptr, false);
}

bool COTPPropertyPage::OnCommand(UINT id, UINT notification, HWND control) {
  if ((id == IDC_OTP_USER || id == IDC_OTP_PASSWORD || id == IDC_OTP_CODE) && notification == EN_CHANGE) {
    OnFieldChange();
    return true;
  }
  return CAuthDialogPage::OnCommand(id, notification, control);
}

BOOL COTPPropertyPage::OnApply() {
  password.Enable(FALSE);
  code.Enable(FALSE);
  CAuthDialogPage::OnApply();
  return FALSE;
}

bool COTPPropertyPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                      std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  auto input = std::make_unique<COTPThreadParameter>();
  input->context = context;
  GetWindowTextSecure(password.Handle(), input->password, true);
  GetWindowTextSecure(code.Handle(), input->otp, true);
  WipeWindowText(password.Handle());
  worker = &OtpLoginWorker;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void COTPPropertyPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                             CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const COTPThreadResult*>(workerResult);
  OtpAttempt attempt;
  if (outcome == nullptr) {
    attempt.loginError = ERROR_INTERNAL_ERROR;  // the worker could not run
  } else {
    attempt.loginError = outcome->loginError.GetError();
    attempt.loginStatus = outcome->loginError.GetStatus();
    attempt.verifyError = outcome->verifyError.GetError();
  }
  attempt.certificateHasPin = context.HasPin();
  attempt.pinCachedNow =
      !attempt.certificateHasPin || context.providerContext->pinCache.IsPinCached(*context.certificatePolicy);
  attempt.hasNextPage = Sheet() != nullptr && Sheet()->GetActiveIndex() + 1 < Sheet()->GetPageCount();
  const PageOutcome decision = OtpPageOutcome(attempt);

  if (decision.message == AuthMessage::kNone) {
    if (result != nullptr && outcome != nullptr) {
      result->token = outcome->token;
      result->pin = outcome->pin;
    }
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    if (Sheet() == nullptr) return;
    switch (decision.action) {
      case DialogAction::kNextPage:
        Sheet()->NextPage();
        break;
      case DialogAction::kEndCancel:
        // No page follows to ask for the PIN: ending here releases whoever waits for this dialog.
        Sheet()->PostEndDialog(IDCANCEL);
        break;
      default:
        Sheet()->PostEndDialog(IDOK);
        break;
    }
    return;
  }

  std::wstring argument;
  if (outcome != nullptr) {
    argument = attempt.loginError != 0 ? outcome->loginError.GetMessage() : outcome->verifyError.GetMessage();
  }
  const std::wstring text = AuthMessageText(decision.message, argument, -1);
  ShowMessage(text);
  ClearSecrets();
  password.Enable(TRUE);
  code.Enable(TRUE);
  SetStatus(argument.c_str(), true);
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(password.Handle()), TRUE);
  if (Sheet() != nullptr) Sheet()->EnableOK(FALSE);
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void COTPPropertyPage::OnDestroy() {
  ClearSecrets();
  CAuthDialogPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
