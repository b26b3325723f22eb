// The base of every page that concerns one account and certificate: the issuer's logo, the
// certificate and provider tiles, a status line with its small icon, and the busy indicator while
// the page's worker runs. A control the page's template lacks is skipped everywhere.
#ifndef LUMA_SERVICE_AUTHDLG_AUTH_DIALOG_PAGE_H_
#define LUMA_SERVICE_AUTHDLG_AUTH_DIALOG_PAGE_H_

#include <string>

#include "service/auth/auth_context.h"
#include "ui/controls/image_controls.h"
#include "ui/controls/tile_control.h"
#include "ui/controls/tiles.h"
#include "ui/framework/base_property_page.h"
#include "ui/framework/controls.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

class CAuthDialogPage : public CBasePropertyPage {
 public:
  // captionId 0: the page takes the sheet's caption, or the provider's own dialog title.
  CAuthDialogPage(UINT templateId, const CAuthContext& context, UINT captionId);
  ~CAuthDialogPage() override;

  // text null: the status is cleared. Line feeds and "<br/>" break the line.
  void SetStatus(const wchar_t* text, bool alert);
  const std::wstring& Status() const { return status; }
  // A message box owned by the page, titled with its caption.
  int ShowMessage(const std::wstring& text, UINT style = kMessageStyle);

  // What the dialog's OK and Cancel run on the active page.
  BOOL Apply() { return OnApply(); }
  void Cancel() { OnCancel(); }

  CAuthContext& Context() { return context; }
  CTileControl& CertificateTileControl() { return certificateTileControl; }
  CTileControl& ProviderTileControl() { return providerTileControl; }
  CSpinnerControl& Spinner() { return spinner; }

  static constexpr UINT kMessageStyle = MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST;
  static constexpr UINT kStopStyle = MB_ICONHAND | MB_SETFOREGROUND | MB_TOPMOST;

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnApply() override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  BOOL OnSetActive() override;
  void OnDestroy() override;

  // A wizard's page made before the user chose the provider: the context and the provider tile
  // follow the choice.
  void ChangeProvider(const std::shared_ptr<CProviderContext>& provider);
  // The caption "<program> - <title>" when the title is not empty.
  void TitleFrom(const std::wstring& title);
  void EnableTiles(bool enable);

  // Declared first: the tiles point into its provider, policy and certificate.
  CAuthContext context;

 private:
  CBitmapHandle FitPicture(Gdiplus::Bitmap* picture, HWND control) const;

  CStatic logo;
  CProviderDialogTile providerTile;
  CTileControl providerTileControl;
  CCertDialogTile certificateTile;
  CTileControl certificateTileControl;
  std::wstring status;
  CBitmapHandle alertBitmap;
  CBitmapHandle infoBitmap;
  CStatic statusIcon;
  CStatic statusText;
  CBitmapHandle logoBitmap;
  CSpinnerControl spinner;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_AUTH_DIALOG_PAGE_H_
