#include "service/authdlg/auth_dialog_page.h"

#include "foundation/win/system_utils.h"
#include "service/authdlg/auth_resource_ids.h"
#include "service/ui/ui_resource_ids.h"
#include "ui/controls/gdiplus_bitmap.h"
#include "ui/core/auth_outcome.h"

namespace luma {
namespace ui {

CAuthDialogPage::CAuthDialogPage(UINT templateId, const CAuthContext& authContext, UINT captionId)
    : CBasePropertyPage(templateId, captionId),
      context(authContext),
      providerTile(&context.providerContext->config, context.policy.get()),
      providerTileControl(&providerTile),
      certificateTile(context.certificatePolicy.get()),
      certificateTileControl(&certificateTile) {
  const std::shared_ptr<CAuthConfig> method = context.providerContext->config.GetAuthConfig();
  if (method && method->interactive) {
    if (const auto* explicitMethod = dynamic_cast<const CExplicitAuthConfig*>(method.get())) {
      TitleFrom(explicitMethod->DialogTitleAuthentication);
    }
  }
}

CAuthDialogPage::~CAuthDialogPage() = default;

void CAuthDialogPage::TitleFrom(const std::wstring& title) {
  if (!title.empty()) caption = FormatResourceString(IDS_APP_TITLE) + L" - " + title;
}

void CAuthDialogPage::ChangeProvider(const std::shared_ptr<CProviderContext>& provider) {
  if (!provider || provider == context.providerContext) return;
  context.providerContext = provider;
  providerTile.SetProvider(&provider->config);
  HWND control = providerTileControl.Handle();
  if (control == nullptr) return;  // laid out when the page's window is made
  RECT client = {};
  GetClientRect(control, &client);
  providerTile.Layout(client, providerTileControl.Scale());
  InvalidateRect(control, nullptr, TRUE);
}

void CAuthDialogPage::DoDataExchange() {
  CBasePropertyPage::DoDataExchange();
  logo.Bind(m_hWnd, IDC_AUTH_LOGO);
  spinner.Attach(m_hWnd, IDC_AUTH_SPINNER);
  certificateTileControl.Attach(m_hWnd, IDC_AUTH_CERT_TILE);
  providerTileControl.Attach(m_hWnd, IDC_AUTH_PROVIDER_TILE);
  statusIcon.Bind(m_hWnd, IDC_AUTH_STATUS_ICON);
  statusText.Bind(m_hWnd, IDC_AUTH_STATUS_TEXT);
}

CBitmapHandle CAuthDialogPage::FitPicture(Gdiplus::Bitmap* picture, HWND control) const {
  if (picture == nullptr || control == nullptr) return CBitmapHandle();
  RECT client = {};
  GetClientRect(control, &client);
  std::unique_ptr<Gdiplus::Bitmap> fitted = FitBitmapToRect(*picture, client, -1, -1, true);
  HBITMAP bitmap = nullptr;
  if (!fitted || fitted->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok)
    return CBitmapHandle();
  return CBitmapHandle(bitmap);
}

BOOL CAuthDialogPage::OnInitDialog() {
  const BOOL result = CBasePropertyPage::OnInitDialog();
  if (logo.Handle() != nullptr && !context.policy->issuerIcon.empty()) {
    CGdiPlusBitmapResource icon;
    // An icon GDI+ cannot read leaves the logo empty; nothing is reported.
    if (icon.Load(context.policy->issuerIcon.data, context.policy->issuerIcon.size)) {
      logoBitmap = FitPicture(icon.Get(), logo.Handle());
      if (logoBitmap) logo.SetBitmap(logoBitmap.get());
    }
  }
  if (statusIcon.Handle() != nullptr) {
    HMODULE module = GetModuleHandleW(nullptr);
    CGdiPlusBitmapResource alert;
    if (alert.Load(IDB_STATUS_ALERT, module)) alertBitmap = FitPicture(alert.Get(), statusIcon.Handle());
    CGdiPlusBitmapResource info;
    if (info.Load(IDB_STATUS_INFO, module)) infoBitmap = FitPicture(info.Get(), statusIcon.Handle());
  }
  statusText.Enable(FALSE);
  statusIcon.Enable(FALSE);
  return result;
}

void CAuthDialogPage::SetStatus(const wchar_t* text, bool alert) {
  if (text != nullptr) {
    if (statusText.Handle() != nullptr) {
      statusText.SetText(StatusLineText(text));
      statusText.Enable(TRUE);
      UpdateWindow(statusText.Handle());
    }
    if (statusIcon.Handle() != nullptr) {
      statusIcon.SetBitmap(alert ? alertBitmap.get() : infoBitmap.get());
      statusIcon.Enable(TRUE);
    }
    status = text;
    return;
  }
  if (!status.empty()) {
    statusIcon.Enable(FALSE);
    statusIcon.SetBitmap(nullptr);
    statusText.Enable(FALSE);
    statusText.SetText(L"");
  }
  status.clear();
}

int CAuthDialogPage::ShowMessage(const std::wstring& text, UINT style) {
  return MessageBoxW(m_hWnd, text.c_str(), GetCaption().c_str(), style);
}

void CAuthDialogPage::EnableTiles(bool enable) {
  certificateTileControl.Enable(enable ? TRUE : FALSE);
  providerTileControl.Enable(enable ? TRUE : FALSE);
}

BOOL CAuthDialogPage::OnApply() {
  EnableTiles(false);
  spinner.Start();
  return CBasePropertyPage::OnApply();
}

void CAuthDialogPage::OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) {
  EnableTiles(true);
  spinner.Stop();
  CBasePropertyPage::OnApplyWorkerComplete(parameter, result);
}

BOOL CAuthDialogPage::OnSetActive() {
  if (spinner.Handle() != nullptr && Sheet() != nullptr) {
    const RECT* pageRect = Sheet()->GetPageRect();
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const int height = pageRect->bottom - pageRect->top;
    if (height > 0 && height > client.bottom - client.top) {
      // The page fills the sheet's white area; the busy indicator sits in its bottom-left corner.
      const int inset = ScaleByDpi(Dpi(), 8);
      MoveWindow(m_hWnd, pageRect->left + inset, pageRect->top, pageRect->right - (pageRect->left + inset),
                 height, TRUE);
      RECT spinnerRect = {};
      GetWindowRect(spinner.Handle(), &spinnerRect);
      const int spinnerHeight = spinnerRect.bottom - spinnerRect.top;
      SetWindowPos(spinner.Handle(), nullptr, inset, pageRect->bottom - inset - spinnerHeight, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return CBasePropertyPage::OnSetActive();
}

void CAuthDialogPage::OnDestroy() {
  statusIcon.SetBitmap(nullptr);
  logo.SetBitmap(nullptr);
  CBasePropertyPage::OnDestroy();
}

}  // namespace ui
}  // namespace luma
