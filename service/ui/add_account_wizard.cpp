#include "service/ui/add_account_wizard.h"

#include "foundation/win/system_utils.h"
#include "service/ui/add_wizard_login_pages.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_browser_pages.h"
#include "service/ui/wizard_resource_ids.h"

namespace luma {
namespace ui {
namespace {

bool IsPinChangeDue(const CPolicy& policy) {
  for (const CCertificatePolicyPtr& certificate : policy.certificatePolicies) {
    if (certificate && certificate->pinPolicy.IsPinChangeDue()) return true;
  }
  return false;
}

UINT TemplateOf(WizardLogin login) {
  switch (login) {
    case WizardLogin::kCheck:
      return IDD_ADD_WIZ_CHECK;
    case WizardLogin::kOtp:
      return IDD_ADD_WIZ_OTP;
    case WizardLogin::kBrowser:
      return IDD_ADD_WIZ_BROWSER;
    default:
      return 0;
  }
}

}  // namespace

void ShowLogoOrPicture(HWND page) {
  HWND logo = GetDlgItem(page, IDC_AUTH_LOGO);
  HWND picture = GetDlgItem(page, IDC_WIZ_PICTURE);
  if (logo == nullptr || picture == nullptr) return;
  const bool hasLogo = SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
  ShowWindow(hasLogo ? picture : logo, SW_HIDE);
  ShowWindow(hasLogo ? logo : picture, SW_SHOW);
}

WizardLogin WizardLoginOf(const CProviderContext& provider) {
  const std::shared_ptr<CAuthConfig> method = provider.config.GetAuthConfig();
  return WizardLoginFor(static_cast<bool>(method), method ? method->type : 0, method && method->interactive);
}

CAddWizardData::CAddWizardData(const CProviderContextMap& providerContexts) {
  for (const auto& entry : providerContexts) {
    if (entry.second) providers.push_back(entry.second);
  }
}

CAddWizardData::~CAddWizardData() { token.Clear(); }

void CAddWizardData::Select(const CProviderContextPtr& provider) {
  selectedProvider = provider;
  if (provider) authContext.providerContext = std::make_shared<CProviderContext>(provider->config);
}

std::vector<WizardLogin> CAddWizardData::Logins() const {
  std::vector<WizardLogin> logins;
  for (const CProviderContextPtr& provider : providers) logins.push_back(WizardLoginOf(*provider));
  return logins;
}

CAddWizardPage::CAddWizardPage(UINT templateId, const CAddWizardDataPtr& data)
    : CAuthDialogPage(templateId, data->authContext, IDS_ADD_ACCOUNT_CAPTION), wizardData(data) {
  // The wizard's caption, not the provider's login title.
  caption = FormatResourceString(IDS_ADD_ACCOUNT_CAPTION);
}

CAddWizardPage::~CAddWizardPage() = default;

void CAddWizardPage::DoDataExchange() {
  ChangeProvider(wizardData->authContext.providerContext);
  CAuthDialogPage::DoDataExchange();
  picture.Attach(m_hWnd, IDC_WIZ_PICTURE);
}

BOOL CAddWizardPage::OnInitDialog() {
  const BOOL result = CAuthDialogPage::OnInitDialog();
  ShowLogoOrPicture(m_hWnd);
  return result;
}

BOOL CAddWizardPage::OnSetActive() {
  ChangeProvider(wizardData->authContext.providerContext);
  return CAuthDialogPage::OnSetActive();
}

CAddWizProviderPage::CAddWizProviderPage(const CAddWizardDataPtr& data)
    : CAddWizardPage(IDD_ADD_WIZ_PROVIDER, data) {}

void CAddWizProviderPage::DoDataExchange() {
  CAddWizardPage::DoDataExchange();
  promptText.Bind(m_hWnd, IDC_WIZ_PROVIDER_PROMPT);
  providerList.Bind(m_hWnd, IDC_WIZ_PROVIDER_LIST);
}

BOOL CAddWizProviderPage::OnInitDialog() {
  CAddWizardPage::OnInitDialog();
  promptText.SetText(FormatResourceString(IDS_WIZ_SELECT_PROVIDER));
  for (const CProviderContextPtr& provider : wizardData->providers) {
    SendMessageW(providerList.Handle(), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(provider->config.Name.c_str()));
  }
  SendMessageW(providerList.Handle(), CB_SETCURSEL, 0, 0);
  return TRUE;
}

BOOL CAddWizProviderPage::OnSetActive() {
  if (Sheet() != nullptr) {
    PostMessageW(Sheet()->Handle(), PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    const std::wstring next = FormatResourceString(IDS_NEXT);
    SendMessageW(Sheet()->Handle(), PSM_SETFINISHTEXTW, 0, reinterpret_cast<LPARAM>(next.c_str()));
  }
  EnableSheetButtons(TRUE);
  return CAddWizardPage::OnSetActive();
}

LRESULT CAddWizProviderPage::OnWizardNext() {
  const int selection = static_cast<int>(SendMessageW(providerList.Handle(), CB_GETCURSEL, 0, 0));
  const std::vector<WizardLogin> logins = wizardData->Logins();
  if (selection >= 0 && selection < static_cast<int>(wizardData->providers.size())) {
    wizardData->Select(wizardData->providers[static_cast<std::size_t>(selection)]);
  }
  const UINT next = TemplateOf(ProviderPageNext(logins, selection));
  if (next != 0 && Sheet() != nullptr) Sheet()->SetActivePageById(next, false);
  return -1;  // the sheet has moved (or stays): the framework's own step must not move again
}

// The sheet may show this page's Next as a Finish button carrying "Next".
BOOL CAddWizProviderPage::OnWizardFinish() {
  OnWizardNext();
  return FALSE;
}

CAddWizFinishPage::CAddWizFinishPage(const CAddWizardDataPtr& data)
    : CAddWizardPage(IDD_ADD_WIZ_FINISH, data) {}

BOOL CAddWizFinishPage::OnSetActive() {
  CAddWizardPage::OnSetActive();
  const CPolicyPtr& policy = wizardData->policy;
  const FinishText text = ChooseFinishText(static_cast<bool>(policy), policy && policy->IsOutdated(),
                                           policy && IsPinChangeDue(*policy));
  const bool ready = text != FinishText::kNoPolicy;
  const UINT textId = text == FinishText::kCheckAccount ? IDS_WIZ_CHECK_ACCOUNT
                      : text == FinishText::kRetrieved  ? IDS_WIZ_RETRIEVED
                                                        : IDS_WIZ_NO_POLICY;
  SetStatus(FormatResourceString(textId).c_str(), true);
  if (Sheet() != nullptr) {
    PostMessageW(Sheet()->Handle(), PSM_SETWIZBUTTONS, 0, ready ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH);
    const std::wstring finish = FormatResourceString(IDS_FINISH);
    SendMessageW(Sheet()->Handle(), PSM_SETFINISHTEXTW, 0, reinterpret_cast<LPARAM>(finish.c_str()));
  }
  EnableSheetButtons(ready ? TRUE : FALSE);
  return TRUE;
}

BOOL CAddWizFinishPage::OnWizardFinish() {
  const CPolicyPtr policy = wizardData->policy;
  if (!policy || !wizardData->selectedProvider) return FALSE;  // nothing fetched: nothing to store
  wizardData->selectedProvider->AddPolicy(policy, true);
  wizardData->selectedProvider->tokenCache.StoreToken(*policy, wizardData->token);
  return CAddWizardPage::OnWizardFinish();
}

std::unique_ptr<CBasePropertySheet> MakeAddAccountSheet(HWND parent, const CProviderContextMap& providers,
                                                        const CProviderContextPtr& named,
                                                        CAddWizardDataPtr& data) {
  data = std::make_shared<CAddWizardData>(providers);
  auto sheet = std::make_unique<CBasePropertySheet>(parent, IDS_ADD_ACCOUNT_CAPTION);
  int namedIndex = -1;
  if (named) {
    namedIndex = static_cast<int>(data->providers.size());  // unknown unless found below
    for (std::size_t i = 0; i < data->providers.size(); ++i) {
      if (data->providers[i] == named) namedIndex = static_cast<int>(i);
    }
  }
  const AddWizardPlan plan = PlanAddWizard(data->Logins(), namedIndex);
  if (plan.preselected >= 0) data->Select(data->providers[static_cast<std::size_t>(plan.preselected)]);
  for (const AddWizardPage page : plan.pages) {
    switch (page) {
      case AddWizardPage::kProvider:
        sheet->AddPage(std::make_shared<CAddWizProviderPage>(data));
        break;
      case AddWizardPage::kCheck:
        sheet->AddPage(std::make_shared<CAddWizCheckPage>(data));
        break;
      case AddWizardPage::kOtp:
        sheet->AddPage(std::make_shared<CAddWizOTPPage>(data));
        break;
      case AddWizardPage::kBrowser:
        sheet->AddPage(std::make_shared<CAddWizBrowserPage>(data));
        break;
      case AddWizardPage::kFinish:
        sheet->AddPage(std::make_shared<CAddWizFinishPage>(data));
        break;
    }
  }
  sheet->m_psh.dwFlags |= PSH_WIZARD;
  return sheet;
}

CAddAccountWizard::CAddAccountWizard(HWND parent, const CProviderContextMap& providers,
                                     const CProviderContextPtr& named)
    : sheet(MakeAddAccountSheet(parent, providers, named, data)) {}

INT_PTR CAddAccountWizard::DoModal() { return HasPages() ? sheet->DoModal() : -1; }

void ShowNoProviderMessage(HWND parent) {
  MessageBoxW(parent, FormatResourceString(IDS_WIZ_NO_PROVIDER).c_str(),
              FormatResourceString(IDS_ADD_ACCOUNT_CAPTION).c_str(), MB_ICONEXCLAMATION);
}

INT_PTR RunAddAccountWizard(HWND parent, const CProviderContextMap& providers) {
  CAddAccountWizard wizard(parent, providers);
  if (!wizard.HasPages()) {
    ShowNoProviderMessage(parent);
    return -1;
  }
  return wizard.DoModal();
}

}  // namespace ui
}  // namespace luma
