#include "service/ui/add_wizard_login_pages.h"

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/auth_config.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/core/service_text_ids.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_resource_ids.h"
#include "service/vault/vault_otp_auth_client.h"
#include "ui/core/tile_theme.h"

namespace luma {
namespace ui {
namespace {

// The UTF-16 text of a buffer that holds its terminator.
std::wstring TextOf(const CSecureBuffer& buffer) {
  std::wstring text;
  BufferToString(buffer, text);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::shared_ptr<COTPConfig> OtpMethod(const CProviderContext& provider) {
  return std::dynamic_pointer_cast<COTPConfig>(provider.config.GetAuthConfig());
}

void SendFinishText(CBasePropertySheet* sheet, UINT textId) {
  if (sheet == nullptr) return;
  const std::wstring text = FormatResourceString(textId);
  SendMessageW(sheet->Handle(), PSM_SETFINISHTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

std::unique_ptr<CApplyWorkerResult> WizCheckThread(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CWizCheckThreadParameter*>(parameter);
  auto result = std::make_unique<CWizCheckThreadResult>();
  if (input == nullptr || !input->provider) return result;
  // The client refers to the helper's certificate: the helper outlives it.
  CImplicitAuthHelper helper(input->owner, input->provider);
  try {
    CVaultCoreSOAPClient client(input->provider->config.service, CSecureBuffer(), nullptr);
    helper.PrepareClient(client, false);
    FetchAccountPolicy(client, *input->provider, *result);
    helper.SetPolicy(result->policy);
    helper.RememberCertificate();
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    result->serviceError = error;
  } catch (const CPolicyException& error) {
    result->policyError = error;
  } catch (const CWindowsException& error) {
    result->serviceError = ServiceErrorOf(static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  return result;
}

std::unique_ptr<CApplyWorkerResult> WizOTPThread(CApplyWorkerParameter* parameter, volatile LONG* cancelled) {
  auto* input = dynamic_cast<CWizOTPThreadParameter*>(parameter);
  auto result = std::make_unique<CWizOTPThreadResult>();
  if (input == nullptr || !input->provider) return result;
  const std::shared_ptr<COTPConfig> method = OtpMethod(*input->provider);
  if (!method) {
    result->loginError = CAuthenticationException(500, ERROR_BAD_CONFIGURATION, L"");
    return result;
  }
  std::wstring password = TextOf(input->password);
  std::wstring otp = TextOf(input->otp);
  try {
    CVaultOTPAuthClient login(method->GetServiceConfig(), method->ServiceParameters);
    std::wstring cookie = login.Authenticate(input->userId, password, otp);
    StringToBuffer(cookie, result->token);
    WipeString(cookie);
  } catch (const CAuthenticationException& error) {
    result->loginError = error;
  } catch (const CWindowsException& error) {
    result->loginError =
        CAuthenticationException(500, static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  WipeString(password);
  WipeString(otp);
  if (InterlockedCompareExchange(cancelled, 0, 0) != 0 || result->loginError.GetError() != 0) return result;
  try {
    CVaultCoreSOAPClient client(input->provider->config.service, CSecureBuffer(), nullptr);
    SetWizardCookie(client, result->token);
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

bool ReportLoginFailure(CAuthDialogPage& page, const CWizCheckThreadResult* result,
                        const CWizOTPThreadResult* login, const std::wstring& userId) {
  if (result == nullptr ||
      (result->Succeeded() && !result->policy && (login == nullptr || login->loginError.GetError() == 0))) {
    // The worker could not run.
    const std::wstring text = FormatResourceString(luma::service::kStrUnexpectedError);
    page.SetStatus(text.c_str(), true);
    page.ShowMessage(FormatResourceString(IDS_SERVICE_ERROR, text.c_str()));
    return true;
  }
  const std::wstring policyText = result->policyError.GetMessage();
  const WizardMessage message = WizardFailureMessage(
      !policyText.empty(), login != nullptr ? login->loginError.GetError() : 0,
      login != nullptr ? login->loginError.GetStatus() : 0, result->serviceError.GetError());
  switch (message) {
    case WizardMessage::kNone:
      return false;
    case WizardMessage::kPolicyError:
      page.SetStatus(policyText.c_str(), true);
      page.ShowMessage(FormatResourceString(IDS_WIZ_POLICY_ERROR, policyText.c_str()));
      break;
    case WizardMessage::kWrongOtp:
      page.SetStatus(FormatResourceString(IDS_WIZ_WRONG_OTP).c_str(), true);
      page.ShowMessage(FormatResourceString(luma::service::kStrOtpLoginFailed, userId.c_str()));
      break;
    case WizardMessage::kLoginUnavailable: {
      const std::wstring& text = login->loginError.GetMessage();
      page.SetStatus(text.c_str(), true);
      page.ShowMessage(FormatResourceString(IDS_SERVICE_UNAVAILABLE, text.c_str()));
      break;
    }
    case WizardMessage::kServiceError: {
      const std::wstring& text = result->serviceError.GetMessage();
      page.SetStatus(text.c_str(), true);
      page.ShowMessage(FormatResourceString(IDS_SERVICE_ERROR, text.c_str()));
      break;
    }
  }
  return true;
}

// Check page.

CAddWizCheckPage::CAddWizCheckPage(const CAddWizardDataPtr& data) : CAddWizardPage(IDD_ADD_WIZ_CHECK, data) {}

BOOL CAddWizCheckPage::OnSetActive() {
  CAddWizardPage::OnSetActive();
  if (WizardLoginOf(*wizardData->selectedProvider) != WizardLogin::kCheck) {
    // The chosen provider logs in with the user: its own page follows.
    if (Sheet() != nullptr) PostMessageW(Sheet()->Handle(), PSM_SETCURSEL, Sheet()->GetActiveIndex() + 1, 0);
    return TRUE;
  }
  ProviderTileControl().SetTileState(kTileActive);
  SendFinishText(Sheet(), IDS_NEXT);
  EnableSheetButtons(FALSE);
  OnApply();  // the silent login starts at once
  return TRUE;
}

BOOL CAddWizCheckPage::OnApply() {
  CAuthDialogPage::OnApply();
  return FALSE;
}

LRESULT CAddWizCheckPage::OnWizardNext() {
  OnApply();
  return -1;
}

bool CAddWizCheckPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                      std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  auto input = std::make_unique<CWizCheckThreadParameter>();
  input->owner = m_hWnd;
  input->provider = wizardData->selectedProvider;
  worker = &WizCheckThread;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CAddWizCheckPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                             CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CWizCheckThreadResult*>(workerResult);
  if (!ReportLoginFailure(*this, outcome, nullptr, std::wstring())) {
    wizardData->policy = outcome->policy;
    *wizardData->authContext.policy = *outcome->policy;
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    if (Sheet() != nullptr) Sheet()->SetActivePageById(IDD_ADD_WIZ_FINISH, false);
    return;
  }
  EnableSheetButtons(FALSE);  // no retry: only Cancel is left
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

// One-time-password page.

CAddWizOTPPage::CAddWizOTPPage(const CAddWizardDataPtr& data) : CAddWizardPage(IDD_ADD_WIZ_OTP, data) {}

void CAddWizOTPPage::DoDataExchange() {
  CAddWizardPage::DoDataExchange();
  userIdEdit.SubclassDlgItem(m_hWnd, IDC_OTP_USER);
  passwordEdit.SubclassDlgItem(m_hWnd, IDC_OTP_PASSWORD);
  otpEdit.SubclassDlgItem(m_hWnd, IDC_OTP_CODE);
  userIdTip.Attach(m_hWnd, IDC_OTP_USER_TIP);
  passwordTip.Attach(m_hWnd, IDC_OTP_PASSWORD_TIP);
  otpTip.Attach(m_hWnd, IDC_OTP_CODE_TIP);
}

BOOL CAddWizOTPPage::OnInitDialog() {
  CAddWizardPage::OnInitDialog();
  if (const std::shared_ptr<COTPConfig> method = OtpMethod(*context.providerContext)) {
    userIdTip.SetText(method->ToolTipUserID);
    passwordTip.SetText(method->ToolTipPassword);
    otpTip.SetText(method->ToolTipOTP);
    // wParam TRUE: the hint stays while the field has the focus.
    SendMessageW(userIdEdit.Handle(), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(method->HintUserID.c_str()));
    SendMessageW(passwordEdit.Handle(), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(method->HintPassword.c_str()));
    SendMessageW(otpEdit.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(method->HintOTP.c_str()));
  }
  return TRUE;
}

void CAddWizOTPPage::ClearFields() {
  userIdEdit.Clear();
  passwordEdit.Clear();
  otpEdit.Clear();
}

void CAddWizOTPPage::EnableFields(BOOL enable) {
  userIdEdit.Enable(enable);
  passwordEdit.Enable(enable);
  otpEdit.Enable(enable);
}

BOOL CAddWizOTPPage::OnSetActive() {
  CAddWizardPage::OnSetActive();
  ProviderTileControl().SetTileState(kTileActive);
  ClearFields();
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(userIdEdit.Handle()), TRUE);
  if (Sheet() != nullptr) PostMessageW(Sheet()->Handle(), PSM_SETWIZBUTTONS, 0, 0);
  SendFinishText(Sheet(), IDS_NEXT);
  EnableSheetButtons(FALSE);
  return TRUE;
}

void CAddWizOTPPage::OnFieldChange() {
  if (Sheet() == nullptr || Sheet()->IsBusy()) return;
  const bool filled = GetWindowTextLengthW(userIdEdit.Handle()) > 0 &&
                      GetWindowTextLengthW(passwordEdit.Handle()) > 0 &&
                      GetWindowTextLengthW(otpEdit.Handle()) > 0;
  EnableSheetButtons(filled ? TRUE : FALSE);
  if (filled) SetModified(TRUE);
  SetStatus(nullptr, false);
}

bool CAddWizOTPPage::OnCommand(UINT id, UINT notification, HWND control) {
  if ((id == IDC_OTP_USER || id == IDC_OTP_PASSWORD || id == IDC_OTP_CODE) && notification == EN_CHANGE) {
    OnFieldChange();
    return true;
  }
  return CAddWizardPage::OnCommand(id, notification, control);
}

BOOL CAddWizOTPPage::OnApply() {
  EnableFields(FALSE);
  CAuthDialogPage::OnApply();
  return FALSE;
}

// Next and Finish both run the login; the page moves on by itself when it succeeds.
LRESULT CAddWizOTPPage::OnWizardNext() {
  OnApply();
  return -1;
}

BOOL CAddWizOTPPage::OnWizardFinish() {
  OnApply();
  return FALSE;
}

bool CAddWizOTPPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                    std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  auto input = std::make_unique<CWizOTPThreadParameter>();
  input->provider = wizardData->selectedProvider;
  CSecureBuffer userId;
  GetWindowTextSecure(userIdEdit.Handle(), userId, false);
  BufferToString(userId, input->userId);
  userId.Clear();
  GetWindowTextSecure(passwordEdit.Handle(), input->password, true);
  GetWindowTextSecure(otpEdit.Handle(), input->otp, true);
  WipeWindowText(passwordEdit.Handle());
  worker = &WizOTPThread;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CAddWizOTPPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                           CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CWizOTPThreadResult*>(workerResult);
  // A login that succeeded keeps its session for the next attempt, even when the fetch failed.
  if (outcome != nullptr && !outcome->token.empty()) wizardData->token = outcome->token;
  const std::wstring userId = userIdEdit.Text();
  if (!ReportLoginFailure(*this, outcome, outcome, userId)) {
    wizardData->policy = outcome->policy;
    *wizardData->authContext.policy = *outcome->policy;
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    if (Sheet() != nullptr) Sheet()->SetActivePageById(IDD_ADD_WIZ_FINISH, false);
    return;
  }
  ClearFields();
  EnableFields(TRUE);
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(userIdEdit.Handle()), TRUE);
  EnableSheetButtons(FALSE);
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CAddWizOTPPage::OnDestroy() {
  ClearFields();
  CAddWizardPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
