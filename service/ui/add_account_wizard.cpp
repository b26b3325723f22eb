#include "service/ui/add_account_wizard.h"

#include "foundation/win/system_utils.h"
#include "service/ui/app_window.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
  const auto* self = reinterpret_cast<const CAuthDialogPage*>(sheetPage->lParam);
  SetDlgItemTextW(page, IDC_ADD_WIZARD_TEXT, self->name.c_str());
  return TRUE;
}

}  // namespace

CAuthDialogPage::CAuthDialogPage(UINT templateId, const CAuthContext& context, UINT caption,
                                 const wchar_t* pageName)
    : pageTemplate(templateId), captionId(caption), name(pageName), authContext(context) {}

CAddWizCheckPage::CAddWizCheckPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"check") {}

CAddWizOTPPage::CAddWizOTPPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"OTP") {}

CAddWizBrowserPage::CAddWizBrowserPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"browser") {}

CAddWizFinishPage::CAddWizFinishPage(const CAddWizardDataPtr& data)
    : CAuthDialogPage(IDD_ADD_WIZARD_PAGE, data->authContext, IDS_ADD_ACCOUNT_CAPTION, L"finish") {}

CBasePropertySheet::CBasePropertySheet(HWND parent, UINT caption, int) : m_psh{}, captionId(caption) {
  m_psh.dwSize = sizeof(m_psh);
  m_psh.hwndParent = parent;
  m_psh.hInstance = CAppWindow::ResourceModule();
}

INT_PTR CBasePropertySheet::DoModal() {
  std::vector<PROPSHEETPAGEW> sheetPages(pages.size());
  std::vector<std::wstring> titles;
  titles.reserve(pages.size());
  std::vector<HPROPSHEETPAGE> handles;
  for (size_t i = 0; i < pages.size(); ++i) {
    PROPSHEETPAGEW& page = sheetPages[i];
    page.dwSize = sizeof(page);
    titles.push_back(FormatResourceString(pages[i]->captionId));  // a wizard shows its page's title
    page.dwFlags = PSP_USETITLE;
    page.pszTitle = titles.back().c_str();
    page.hInstance = CAppWindow::ResourceModule();
    page.pszTemplate = MAKEINTRESOURCEW(pages[i]->pageTemplate);
    page.pfnDlgProc = &PageProc;
    page.lParam = reinterpret_cast<LPARAM>(pages[i].get());
    if (HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page)) handles.push_back(handle);
  }
  if (handles.empty()) return -1;
  const std::wstring caption = FormatResourceString(captionId);
  PROPSHEETHEADERW header = m_psh;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.phpage = handles.data();
  return PropertySheetW(&header);
}

std::shared_ptr<CAuthDialogPage> MakeFirstAddPage(const CAddWizardDataPtr& data) {
  const std::shared_ptr<CAuthConfig> method = data->providerContext->config.GetAuthConfig();
  if (!method) return nullptr;
  if (!method->interactive) return std::make_shared<CAddWizCheckPage>(data);
  if (method->type == AUTH_TYPE_OTP) return std::make_shared<CAddWizOTPPage>(data);
  if (method->type == AUTH_TYPE_BROWSER) return std::make_shared<CAddWizBrowserPage>(data);
  return nullptr;
}

}  // namespace ui
}  // namespace luma
