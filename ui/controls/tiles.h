// The two tiles at the top of every authentication and wizard page: a provider tile (the service
// provider and the account) and a certificate tile (the certificate concerned, its type pictograms).
// A tile is a plain object painted with GDI+ in the theme's colours of its state and hosted by a
// CTileControl; the objects it shows belong to the page and outlive the tile.
#ifndef LUMA_UI_CONTROLS_TILES_H_
#define LUMA_UI_CONTROLS_TILES_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "policy/config/provider_config.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"
#include "ui/controls/tile_hot_link.h"
#include "ui/core/tile_model.h"

namespace luma {
namespace ui {

class CTile {
 public:
  CTile() = default;
  virtual ~CTile() = default;
  CTile(const CTile&) = delete;
  CTile& operator=(const CTile&) = delete;

  // Places everything for the control's client rectangle and scale (again on every call).
  virtual void Layout(const RECT& client, const CDpiScale& scale);
  // The state the page chose (kTileActive ...); shown at once unless the tile is disabled.
  virtual void SetState(int state);
  virtual int GetState() const { return states.Remembered(); }
  // Disabling draws the DISABLED colours without a link and silences the tooltips.
  virtual void Enable(bool enable);
  virtual void Paint(HDC dc) = 0;

  int DrawnState() const { return states.Drawn(); }
  const std::list<std::shared_ptr<CTileHotLink>>& HotLinks() const { return hotLinks; }
  CHotLinkList LinkStates();
  CTileHotLink* FindLink(int id) const;
  void ActivateToolTips(bool active);

 protected:
  CDpiScale scale;
  RECT client = {};
  CTileStates states;
  std::list<std::shared_ptr<CTileHotLink>> hotLinks;
};

// A tile with a title, a second line and a link in the corner, in the colours of its tile kind.
class CDialogTile : public CTile {
 public:
  void Layout(const RECT& client, const CDpiScale& scale) override;
  const CTileTheme& Theme() const { return theme; }

 protected:
  // The tile kind's theme: the registry's colours over the built-in defaults.
  void TakeTheme(const wchar_t* tileName);
  // Measures the link's text and puts it in the bottom-right corner.
  void PlaceLink(CTextHotLink& link);
  // Background, the two lines, the pictograms and (unless disabled) the link, through an off-screen
  // bitmap so that nothing flickers.
  void PaintTile(HDC dc, const std::wstring& title, const std::wstring& secondLine,
                 const std::vector<std::shared_ptr<CCertImageHotlink>>& pictograms, const CTextHotLink* link);
  CTileMetrics Metrics() const;

  std::unique_ptr<Gdiplus::FontFamily> fontFamily;
  std::unique_ptr<Gdiplus::Font> titleFont;
  std::unique_ptr<Gdiplus::Font> textFont;
  std::unique_ptr<Gdiplus::Font> linkFont;
  std::unique_ptr<Gdiplus::StringFormat> format;
  CTileTheme theme;
  CRectF titleRect;
  CRectF secondLineRect;
};

class CCertDialogTile : public CDialogTile {
 public:
  explicit CCertDialogTile(const CCertificatePolicy* certificate);
  void Layout(const RECT& client, const CDpiScale& scale) override;
  void Paint(HDC dc) override;

  CCertViewHotlink* ShowLink() const { return showLink.get(); }
  const std::vector<std::shared_ptr<CCertImageHotlink>>& Pictograms() const { return pictograms; }

 protected:
  // The pictogram scaled to the row's height; null when it cannot be loaded (it is then left out).
  virtual std::unique_ptr<Gdiplus::Bitmap> LoadPictogram(int resourceId, int height);

 private:
  const CCertificatePolicy* certificate;
  std::shared_ptr<CCertViewHotlink> showLink;
  std::vector<std::shared_ptr<CCertImageHotlink>> pictograms;
};

class CProviderDialogTile : public CDialogTile {
 public:
  CProviderDialogTile(const CProviderConfig* provider, const CPolicy* account);
  // Another provider for the tile (lay it out again when it has a window).
  void SetProvider(const CProviderConfig* config) { provider = config; }
  void Layout(const RECT& client, const CDpiScale& scale) override;
  void Paint(HDC dc) override;

  // Null when the provider names no account management address.
  CProviderManageHotlink* ManageLink() const { return manageLink.get(); }
  // The account's issuer, else the provider's name; the user's name, else the provider's description.
  std::wstring Title() const;
  std::wstring SecondLine() const;

 private:
  const CProviderConfig* provider;
  const CPolicy* account;
  std::shared_ptr<CProviderManageHotlink> manageLink;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_TILES_H_
