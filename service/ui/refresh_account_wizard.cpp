#include "service/ui/refresh_account_wizard.h"

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/auth_config.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/auth/session_redirect.h"
#include "service/ui/add_account_wizard.h"
#include "service/ui/add_wizard_login_pages.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_browser_pages.h"
#include "service/ui/wizard_resource_ids.h"
#include "ui/core/account_wizard_plan.h"
#include "ui/core/tile_theme.h"

namespace luma {
namespace ui {
namespace {

void SetWizardButtons(CBasePropertySheet* sheet, DWORD buttons, UINT finishTextId) {
  if (sheet == nullptr) return;
  PostMessageW(sheet->Handle(), PSM_SETWIZBUTTONS, 0, buttons);
  const std::wstring text = FormatResourceString(finishTextId);
  SendMessageW(sheet->Handle(), PSM_SETFINISHTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

CRefreshWizardData::CRefreshWizardData(CProviderContextPtr provider, CPolicyPtr account)
    : providerContext(std::move(provider)),
      policy(std::move(account)),
      authContext(providerContext, policy, std::make_shared<CCertificatePolicy>()) {}

CRefreshWizardData::~CRefreshWizardData() { token.Clear(); }

std::unique_ptr<CApplyWorkerResult> RefreshWizCheckThread(CApplyWorkerParameter* parameter, volatile LONG*) {
  auto* input = dynamic_cast<CRefreshWizCheckThreadParameter*>(parameter);
  auto result = std::make_unique<CRefreshWizCheckThreadResult>();
  if (input == nullptr || !input->providerContext || !input->policy) return result;
  CSecureBuffer token;
  input->authContext.GetToken(token);  // empty when none is cached: the service decides
  CImplicitAuthHelper helper(input->owner, input->providerContext, input->policy);
  try {
    CVaultCoreSOAPClient client(input->providerContext->config.service, input->policy->issuerEncCert,
                                nullptr);
    helper.PrepareClient(client, false);
    SetWizardCookie(client, token);
    FetchAccountPolicy(client, *input->providerContext, *result, &input->policy->accountKey);
    result->token = token;
    helper.SetPolicy(result->policy);
    helper.RememberCertificate();
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    if (error.GetStatus() == luma::auth::kSessionRedirectStatus) {
      // The session is gone: the interactive login follows. A redirect to the provider's own login
      // also drops the cached token.
      if (luma::auth::IsRedirectToOwnService(error, input->providerContext->config)) {
        input->authContext.RemoveToken();
      }
    } else {
      result->serviceError = error;
    }
  } catch (const CPolicyException& error) {
    if (result->policy && result->policy->accountKey != input->policy->accountKey) helper.ForgetCertificate();
    result->policyError = error;
  } catch (const CWindowsException& error) {
    result->serviceError = ServiceErrorOf(static_cast<std::int32_t>(error.GetError()), error.GetMessage());
  }
  token.Clear();
  return result;
}

CRefreshWizardPage::CRefreshWizardPage(UINT templateId, const CRefreshWizardDataPtr& data)
    : CAuthDialogPage(templateId, data->authContext, IDS_REFRESH_ACCOUNT_CAPTION), wizardData(data) {
  caption = FormatResourceString(IDS_REFRESH_ACCOUNT_CAPTION);
}

CRefreshWizardPage::~CRefreshWizardPage() = default;

void CRefreshWizardPage::DoDataExchange() {
  CAuthDialogPage::DoDataExchange();
  picture.Attach(m_hWnd, IDC_WIZ_PICTURE);
}

BOOL CRefreshWizardPage::OnInitDialog() {
  const BOOL result = CAuthDialogPage::OnInitDialog();
  ShowLogoOrPicture(m_hWnd);
  return result;
}

void CRefreshWizardPage::StoreAndClose(const CPolicyPtr& policy) {
  wizardData->providerContext->AddPolicy(policy, true);
  wizardData->providerContext->tokenCache.StoreToken(*policy, wizardData->token);
  if (Sheet() != nullptr) Sheet()->PostEndDialog(IDOK);
}

// Check page.

CRefreshWizCheckPage::CRefreshWizCheckPage(const CRefreshWizardDataPtr& data)
    : CRefreshWizardPage(IDD_REFRESH_WIZ_CHECK, data) {}

BOOL CRefreshWizCheckPage::OnSetActive() {
  CRefreshWizardPage::OnSetActive();
  ProviderTileControl().SetTileState(kTileDisabled);
  SetWizardButtons(Sheet(), PSWIZB_DISABLEDFINISH, IDS_FINISH);
  EnableSheetButtons(FALSE);
  OnApply();  // the silent refresh starts at once
  return TRUE;
}

BOOL CRefreshWizCheckPage::OnApply() {
  CAuthDialogPage::OnApply();
  return FALSE;
}

LRESULT CRefreshWizCheckPage::OnWizardNext() { return -1; }

BOOL CRefreshWizCheckPage::OnWizardFinish() { return FALSE; }

bool CRefreshWizCheckPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                          std::unique_ptr<CApplyWorkerParameter>& parameter,
                                          bool& cancellable) {
  auto input = std::make_unique<CRefreshWizCheckThreadParameter>();
  input->owner = m_hWnd;
  input->providerContext = wizardData->providerContext;
  input->policy = wizardData->policy;
  input->authContext = wizardData->authContext;
  worker = &RefreshWizCheckThread;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CRefreshWizCheckPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                                 CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  ProviderTileControl().SetTileState(kTileActive);
  const auto* outcome = dynamic_cast<const CRefreshWizCheckThreadResult*>(workerResult);
  const RefreshCheckOutcome next =
      outcome == nullptr
          ? RefreshCheckOutcome::kServiceError
          : RefreshCheckResult(static_cast<bool>(outcome->policy), !outcome->policyError.GetMessage().empty(),
                               outcome->serviceError.GetError());
  switch (next) {
    case RefreshCheckOutcome::kStoreAndClose:
      wizardData->token = outcome->token;
      CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
      StoreAndClose(outcome->policy);
      return;
    case RefreshCheckOutcome::kLogin:
      CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
      // Without an interactive page only Cancel is left.
      if (Sheet() != nullptr) Sheet()->NextPage();
      return;
    default:
      ReportLoginFailure(*this, outcome, nullptr, std::wstring());
      EnableSheetButtons(FALSE);
      CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
      if (Sheet() != nullptr) Sheet()->PostEndDialog(IDCANCEL);
      return;
  }
}

// One-time-password page.

CRefreshWizOTPPage::CRefreshWizOTPPage(const CRefreshWizardDataPtr& data)
    : CRefreshWizardPage(IDD_REFRESH_WIZ_OTP, data) {}

void CRefreshWizOTPPage::DoDataExchange() {
  CRefreshWizardPage::DoDataExchange();
  userIdEdit.SubclassDlgItem(m_hWnd, IDC_OTP_USER);
  passwordEdit.SubclassDlgItem(m_hWnd, IDC_OTP_PASSWORD);
  otpEdit.SubclassDlgItem(m_hWnd, IDC_OTP_CODE);
  userIdTip.Attach(m_hWnd, IDC_OTP_USER_TIP);
  passwordTip.Attach(m_hWnd, IDC_OTP_PASSWORD_TIP);
  otpTip.Attach(m_hWnd, IDC_OTP_CODE_TIP);
}

BOOL CRefreshWizOTPPage::OnInitDialog() {
  CRefreshWizardPage::OnInitDialog();
  const auto method =
      std::dynamic_pointer_cast<COTPConfig>(wizardData->providerContext->config.GetAuthConfig());
  if (method) {
    userIdTip.SetText(method->ToolTipUserID);
    passwordTip.SetText(method->ToolTipPassword);
    otpTip.SetText(method->ToolTipOTP);
    SendMessageW(userIdEdit.Handle(), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(method->HintUserID.c_str()));
    SendMessageW(passwordEdit.Handle(), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(method->HintPassword.c_str()));
    SendMessageW(otpEdit.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(method->HintOTP.c_str()));
  }
  userIdEdit.SetText(wizardData->policy->userId);
  userIdEdit.Enable(FALSE);
  return TRUE;
}

void CRefreshWizOTPPage::ClearSecrets() {
  passwordEdit.Clear();
  otpEdit.Clear();
}

BOOL CRefreshWizOTPPage::OnSetActive() {
  CRefreshWizardPage::OnSetActive();
  ProviderTileControl().SetTileState(kTileActive);
  ClearSecrets();
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(passwordEdit.Handle()), TRUE);
  SetWizardButtons(Sheet(), PSWIZB_DISABLEDFINISH, IDS_FINISH);
  EnableSheetButtons(FALSE);
  return TRUE;
}

void CRefreshWizOTPPage::OnFieldChange() {
  if (Sheet() == nullptr || Sheet()->IsBusy()) return;
  const bool filled =
      GetWindowTextLengthW(passwordEdit.Handle()) > 0 && GetWindowTextLengthW(otpEdit.Handle()) > 0;
  EnableSheetButtons(filled ? TRUE : FALSE);
  if (filled) SetModified(TRUE);
  SetStatus(nullptr, false);
}

bool CRefreshWizOTPPage::OnCommand(UINT id, UINT notification, HWND control) {
  if ((id == IDC_OTP_USER || id == IDC_OTP_PASSWORD || id == IDC_OTP_CODE) && notification == EN_CHANGE) {
    OnFieldChange();
    return true;
  }
  return CRefreshWizardPage::OnCommand(id, notification, control);
}

BOOL CRefreshWizOTPPage::OnApply() {
  passwordEdit.Enable(FALSE);
  otpEdit.Enable(FALSE);
  CAuthDialogPage::OnApply();
  return FALSE;
}

LRESULT CRefreshWizOTPPage::OnWizardNext() {
  OnApply();
  return -1;
}

BOOL CRefreshWizOTPPage::OnWizardFinish() {
  OnApply();
  return FALSE;
}

bool CRefreshWizOTPPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                        std::unique_ptr<CApplyWorkerParameter>& parameter,
                                        bool& cancellable) {
  auto input = std::make_unique<CWizOTPThreadParameter>();
  input->provider = wizardData->providerContext;
  input->userId = wizardData->policy->userId;
  GetWindowTextSecure(passwordEdit.Handle(), input->password, true);
  GetWindowTextSecure(otpEdit.Handle(), input->otp, true);
  WipeWindowText(passwordEdit.Handle());
  worker = &WizOTPThread;
  parameter = std::move(input);
  cancellable = true;
  return true;
}

void CRefreshWizOTPPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                               CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CWizOTPThreadResult*>(workerResult);
  if (outcome != nullptr && !outcome->token.empty()) wizardData->token = outcome->token;
  if (!ReportLoginFailure(*this, outcome, outcome, wizardData->policy->userId)) {
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    StoreAndClose(outcome->policy);
    return;
  }
  ClearSecrets();
  passwordEdit.Enable(TRUE);
  otpEdit.Enable(TRUE);
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(passwordEdit.Handle()), TRUE);
  EnableSheetButtons(FALSE);
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CRefreshWizOTPPage::OnDestroy() {
  ClearSecrets();
  CRefreshWizardPage::OnDestroy();
}

// The wizard.

std::unique_ptr<CBasePropertySheet> MakeRefreshAccountSheet(HWND parent, const CProviderContextPtr& provider,
                                                            const CPolicyPtr& account,
                                                            CRefreshWizardDataPtr& data) {
  auto sheet = std::make_unique<CBasePropertySheet>(parent, IDS_REFRESH_ACCOUNT_CAPTION);
  data.reset();
  if (!provider || !account || account->userId.empty()) return sheet;
  data = std::make_shared<CRefreshWizardData>(provider, account);
  for (const RefreshWizardPage page : PlanRefreshWizard(WizardLoginOf(*provider))) {
    switch (page) {
      case RefreshWizardPage::kCheck:
        sheet->AddPage(std::make_shared<CRefreshWizCheckPage>(data));
        break;
      case RefreshWizardPage::kOtp:
        sheet->AddPage(std::make_shared<CRefreshWizOTPPage>(data));
        break;
      case RefreshWizardPage::kBrowser:
        sheet->AddPage(std::make_shared<CRefreshWizBrowserPage>(data));
        break;
    }
  }
  sheet->m_psh.dwFlags |= PSH_WIZARD;
  return sheet;
}

CRefreshAccountWizard::CRefreshAccountWizard(HWND parent, const CProviderContextPtr& provider,
                                             const CPolicyPtr& account)
    : sheet(MakeRefreshAccountSheet(parent, provider, account, data)) {}

INT_PTR CRefreshAccountWizard::DoModal() { return HasPages() ? sheet->DoModal() : -1; }

INT_PTR RunRefreshAccountWizard(HWND parent, const CProviderContextPtr& provider, const CPolicyPtr& account) {
  CRefreshAccountWizard wizard(parent, provider, account);
  return wizard.DoModal();
}

}  // namespace ui
}  // namespace luma
