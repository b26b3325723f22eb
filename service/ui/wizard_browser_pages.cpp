#include "service/ui/wizard_browser_pages.h"

#include "foundation/win/system_utils.h"
#include "service/ui/add_wizard_login_pages.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_resource_ids.h"
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

std::unique_ptr<CApplyWorkerParameter> BrowserParameter(const CProviderContextPtr& provider,
                                                        const CSecureBuffer& token) {
  auto input = std::make_unique<CWizBrowserThreadParameter>();
  input->provider = provider;
  input->token = token;
  return input;
}

}  // namespace

// Add-account page.

CAddWizBrowserPage::CAddWizBrowserPage(const CAddWizardDataPtr& data)
    : CAddWizardPage(IDD_ADD_WIZ_BROWSER, data) {}

CAddWizBrowserPage::~CAddWizBrowserPage() = default;

void CAddWizBrowserPage::DoDataExchange() {
  CAddWizardPage::DoDataExchange();
  retryButton.Bind(m_hWnd, IDC_WIZ_RETRY);
}

BOOL CAddWizBrowserPage::OnInitDialog() {
  CAddWizardPage::OnInitDialog();
  retryButton.SetText(FormatResourceString(IDS_BROWSER_RETRY));
  return TRUE;
}

BOOL CAddWizBrowserPage::OnSetActive() {
  CAddWizardPage::OnSetActive();
  ProviderTileControl().SetTileState(kTileActive);
  PostStartLogin(m_hWnd, retryButton.Handle());
  SetWizardButtons(Sheet(), 0, IDS_NEXT);
  EnableSheetButtons(FALSE);
  return TRUE;
}

// Next (or Finish where the sheet shows it) fetches the policy again with the login's session.
LRESULT CAddWizBrowserPage::OnWizardNext() {
  if (!wizardData->token.empty()) OnApply();
  return -1;
}

BOOL CAddWizBrowserPage::OnWizardFinish() {
  OnWizardNext();
  return FALSE;
}

bool CAddWizBrowserPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_WIZ_RETRY && code == BN_CLICKED) {
    if (!login.IsOpen() && !IsRunning()) OnStartAuthentication();
    return true;
  }
  return CAddWizardPage::OnCommand(id, code, control);
}

bool CAddWizBrowserPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == BrowserControlClosedMessage() && message != 0) {
    OnBrowserControlClosed();
    result = 0;
    return true;
  }
  return CAddWizardPage::DialogProc(message, wParam, lParam, result);
}

void CAddWizBrowserPage::OnStartAuthentication() {
  login.Start(*this, retryButton.Handle(), std::wstring(), true);
}

void CAddWizBrowserPage::OnBrowserControlClosed() {
  if (!login.IsOpen()) return;
  if (login.Finish(*this, retryButton.Handle(), wizardData->token)) {
    EnableSheetButtons(TRUE);
    SetModified(TRUE);
    OnApply();
  } else {
    EnableSheetButtons(FALSE);
  }
}

bool CAddWizBrowserPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                        std::unique_ptr<CApplyWorkerParameter>& parameter,
                                        bool& cancellable) {
  worker = &WizBrowserThread;
  parameter = BrowserParameter(wizardData->selectedProvider, wizardData->token);
  cancellable = true;
  return true;
}

void CAddWizBrowserPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
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
  EnableSheetButtons(FALSE);  // no retry after a failed fetch: only Cancel is left
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CAddWizBrowserPage::OnDestroy() {
  login.Close();
  CAddWizardPage::OnDestroy();
}

// Refresh page.

CRefreshWizBrowserPage::CRefreshWizBrowserPage(const CRefreshWizardDataPtr& data)
    : CRefreshWizardPage(IDD_REFRESH_WIZ_BROWSER, data) {}

CRefreshWizBrowserPage::~CRefreshWizBrowserPage() = default;

void CRefreshWizBrowserPage::DoDataExchange() {
  CRefreshWizardPage::DoDataExchange();
  retryButton.Bind(m_hWnd, IDC_WIZ_RETRY);
}

BOOL CRefreshWizBrowserPage::OnInitDialog() {
  CRefreshWizardPage::OnInitDialog();
  retryButton.SetText(FormatResourceString(IDS_BROWSER_RETRY));
  return TRUE;
}

BOOL CRefreshWizBrowserPage::OnSetActive() {
  CRefreshWizardPage::OnSetActive();
  ProviderTileControl().SetTileState(kTileActive);
  SetWizardButtons(Sheet(), PSWIZB_DISABLEDFINISH, IDS_FINISH);
  EnableSheetButtons(FALSE);
  PostStartLogin(m_hWnd, retryButton.Handle());
  return TRUE;
}

LRESULT CRefreshWizBrowserPage::OnWizardNext() {
  if (!wizardData->token.empty()) OnApply();
  return -1;
}

BOOL CRefreshWizBrowserPage::OnWizardFinish() {
  OnWizardNext();
  return FALSE;
}

bool CRefreshWizBrowserPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_WIZ_RETRY && code == BN_CLICKED) {
    if (!login.IsOpen() && !IsRunning()) OnStartAuthentication();
    return true;
  }
  return CRefreshWizardPage::OnCommand(id, code, control);
}

bool CRefreshWizBrowserPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == BrowserControlClosedMessage() && message != 0) {
    OnBrowserControlClosed();
    result = 0;
    return true;
  }
  return CRefreshWizardPage::DialogProc(message, wParam, lParam, result);
}

void CRefreshWizBrowserPage::OnStartAuthentication() {
  login.Start(*this, retryButton.Handle(), wizardData->policy->userId, false);
}

void CRefreshWizBrowserPage::OnBrowserControlClosed() {
  if (!login.IsOpen()) return;
  if (login.Finish(*this, retryButton.Handle(), wizardData->token)) {
    EnableSheetButtons(TRUE);
    SetModified(TRUE);
    OnApply();
  } else {
    EnableSheetButtons(FALSE);
  }
}

bool CRefreshWizBrowserPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                            std::unique_ptr<CApplyWorkerParameter>& parameter,
                                            bool& cancellable) {
  worker = &WizBrowserThread;
  parameter = BrowserParameter(wizardData->providerContext, wizardData->token);
  cancellable = true;
  return true;
}

void CRefreshWizBrowserPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter,
                                                   CApplyWorkerResult* workerResult) {
  Spinner().Stop();
  const auto* outcome = dynamic_cast<const CWizCheckThreadResult*>(workerResult);
  if (!ReportLoginFailure(*this, outcome, nullptr, std::wstring())) {
    CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
    StoreAndClose(outcome->policy);
    return;
  }
  EnableSheetButtons(FALSE);
  CAuthDialogPage::OnApplyWorkerComplete(parameter, workerResult);
}

void CRefreshWizBrowserPage::OnDestroy() {
  login.Close();
  CRefreshWizardPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
