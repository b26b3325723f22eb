#include "service/authdlg/vsc_property_page.h"

#include <string>

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/auth/session_redirect.h"
#include "service/authdlg/auth_messages.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/authdlg/pin_cache_update.h"
#include "service/vault/vault_core_soap_client.h"
#include "ui/core/auth_outcome.h"

namespace luma {
namespace ui {

std::unique_ptr<CApplyWorkerResult> VerifyPinWorker(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CVSCThreadParameter*>(parameter);
  auto result = std::make_unique<CVSCThreadResult>();
  if (input == nullptr) return result;
  CAuthContext& context = input->context;
  CImplicitAuthHelper helper(input->owner, context.providerContext, context.policy);
  std::wstring cookie;
  CSecureBuffer token;
  try {
    CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                                nullptr);
    if (context.GetToken(token)) BufferToString(token, cookie);
    client.proxy.SetCookie(cookie.empty() ? nullptr : cookie.c_str());
    helper.PrepareClient(client, false);
    int tries = -1;
    result->status = client.VerifyPin(context.certificatePolicy->alias, input->pin, tries);
    const PinCheckVerdict verdict = PasswordCheckVerdict(result->status, tries);
    result->blocked = verdict.blocked;
    result->remainingTries = verdict.remainingTries;
    if (result->status == kPinOk) result->pin = input->pin;
    ApplyPinCacheAction(context, PinCheckCacheAction(result->status, true), input->pin);
    helper.RememberCertificate();
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    result->error = error;
  } catch (const CWindowsException& error) {
    result->error =
        CSOAPServiceException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  WipeString(cookie);
  token.Clear();
  return result;
}

CVSCPropertyPage::CVSCPropertyPage(const CAuthContext& authContext, CAuthResult* authResult)
    : CAuthDialogPage(IDD_VSC_LOGIN, authContext, 0), result(authResult) {
  TitleFrom(context.providerContext->config.DialogTitlePassword);
}

void CVSCPropertyPage::DoDataExchange() {
  CAuthDialogPage::DoDataExchange();
  password.SubclassDlgItem(m_hWnd, IDC_VSC_PASSWORD);
  toolTip.Attach(m_hWnd, IDC_VSC_PASSWORD_TIP);
}

BOOL CVSCPropertyPage::OnInitDialog() {
  CAuthDialogPage::OnInitDialog();
  toolTip.SetText(context.providerContext->config.ToolTipPassword);
  const std::wstring cue = FormatResourceString(IDS_PASSWORD_CUE);
  SendMessageW(password.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
  return TRUE;
}

bool CVSCPropertyPage::EmptyPasswordLegal() const {
  const CPinConstraints& rules = context.certificatePolicy->pinPolicy.pinConstraints;
  return rules.minLength == 0 && rules.maxLength != 0;
}

void CVSCPropertyPage::ClearPassword() {
  password.Clear();  // overwritten with '#' first
}

BOOL CVSCPropertyPage::OnSetActive() {
  ClearPassword();
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(password.Handle()), TRUE);
  EnableSheetButtons(EmptyPasswordLegal() ? TRUE : FALSE);
  return CAuthDialogPage::OnSetActive();
}

void CVSCPropertyPage::OnPasswordChange() {
  if (Sheet() == nullptr || Sheet()->IsBusy()) return;
  if (GetWindowTextLengthW(password.Handle()) > 0 || EmptyPasswordLegal()) {
    Sheet()->EnableOK(TRUE);
    SetModified(TRUE);
  } else {
    Sheet()->EnableOK(FALSE);
  }
  SetStatus(nullptr, false);
}

bool CVSCPropertyPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_VSC_PASSWORD && code == EN_CHANGE) {
    OnPasswordChange();
    return true;
  }
  return CAuthDialogPage::OnCommand(id, code, control);
}

BOOL CVSCPropertyPage::OnApply() {
  password.Enable(FALSE);
  CAuthDialogPage::OnApply();
  return FALSE;
}

bool CVSCPropertyPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                      std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  auto input = std::make_unique<CVSCThreadParameter>();
  input->owner = m_hWnd;
  input->context = context;
  GetWindowTextSecure(password.Handle(), input->pin, false);
  WipeWindowText(password.Handle());
  worker = &VerifyPinWorker;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CVSCPropertyPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                             CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CVSCThreadResult*>(workerResult);
  PasswordAttempt attempt;
  if (outcome == nullptr) {
    attempt.failure = ServiceFailure::kError;  // the worker could not run
  } else {
    attempt.failure = ClassifyServiceFailure(
        outcome->error.GetError(), outcome->error.GetStatus(),
        luma::auth::IsRedirectToOwnService(outcome->error, context.providerContext->config));
    attempt.status = outcome->status;
    attempt.verdict.blocked = outcome->blocked;
    attempt.verdict.remainingTries = outcome->remainingTries;
  }
  const PageOutcome decision = PasswordPageOutcome(attempt);
  if (decision.action == DialogAction::kEndOk) {
    if (result != nullptr) result->pin = outcome->pin;
    if (Sheet() != nullptr) Sheet()->PostEndDialog(IDOK);
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    return;
  }
  // A lost session names its user; every other failure shows the call's own message.
  const std::wstring argument = attempt.failure == ServiceFailure::kSessionExpired ? context.policy->userId
                                : outcome != nullptr ? outcome->error.GetMessage()
                                                     : std::wstring();
  const std::wstring text = AuthMessageText(decision.message, argument, attempt.verdict.remainingTries);
  switch (decision.message) {
    case AuthMessage::kWrongPasswordBlocked:
      ShowMessage(text, kStopStyle);
      break;
    case AuthMessage::kNone:
      break;
    default:
      ShowMessage(text);
      break;
  }
  if (decision.action == DialogAction::kEndCancel) {
    if (Sheet() != nullptr) Sheet()->PostEndDialog(IDCANCEL);
  } else if (decision.action == DialogAction::kOtpPage && Sheet() != nullptr) {
    Sheet()->SetActivePageById(IDD_OTP_LOGIN, false);
  }
  ClearPassword();
  password.Enable(TRUE);
  const std::wstring statusLine = decision.statusLine ? text : std::wstring();
  SetStatus(statusLine.c_str(), true);
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(password.Handle()), TRUE);
  if (Sheet() != nullptr) Sheet()->EnableOK(EmptyPasswordLegal() ? TRUE : FALSE);
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CVSCPropertyPage::OnDestroy() {
  ClearPassword();
  CAuthDialogPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
