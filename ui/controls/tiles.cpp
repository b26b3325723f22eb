#include "ui/controls/tiles.h"

#include "foundation/win/system_utils.h"
#include "ui/controls/gdiplus_bitmap.h"
#include "ui/controls/tile_theme_store.h"
#include "ui/framework/app_window.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

constexpr UINT kManageText = IDS_TILE_MANAGE;
constexpr UINT kManageToolTip = IDS_TILE_MANAGE_TIP;
constexpr UINT kShowText = IDS_TILE_SHOW;
constexpr UINT kShowToolTip = IDS_TILE_SHOW_TIP;
constexpr int kTitlePoints = 12;
constexpr int kTextPoints = 9;
constexpr int kPictogramHeight = 24;

// The tiles' typeface, else one that is installed: GDI+ finds families only by their exact name.
std::unique_ptr<Gdiplus::FontFamily> TileFontFamily() {
  for (const wchar_t* name : {L"Segoe UI", L"Tahoma", L"Liberation Sans", L"DejaVu Sans"}) {
    auto family = std::make_unique<Gdiplus::FontFamily>(name);
    if (family->GetLastStatus() == Gdiplus::Ok && family->IsAvailable()) return family;
  }
  const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif();
  return generic != nullptr ? std::unique_ptr<Gdiplus::FontFamily>(generic->Clone()) : nullptr;
}

std::unique_ptr<Gdiplus::Font> TileFont(const Gdiplus::FontFamily* family, const CDpiScale& scale, int points,
                                        int style) {
  if (family == nullptr) return nullptr;
  const int pixels = TileFontPixels(scale, points);
  auto font = std::make_unique<Gdiplus::Font>(
      family, static_cast<Gdiplus::REAL>(pixels > 0 ? pixels : points), style, Gdiplus::UnitPixel);
  return font->GetLastStatus() == Gdiplus::Ok ? std::move(font) : nullptr;
}

Gdiplus::RectF ToGdiplus(const CRectF& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

}  // namespace

void CTile::Layout(const RECT& clientRect, const CDpiScale& dpi) {
  client = clientRect;
  scale = dpi;
}

void CTile::SetState(int state) {
  if (!states.SetState(state)) return;
  ActivateToolTips(states.ToolTipsActive());
}

void CTile::Enable(bool enable) {
  states.Enable(enable);
  ActivateToolTips(states.ToolTipsActive());
}

CHotLinkList CTile::LinkStates() {
  CHotLinkList list;
  for (const auto& link : hotLinks) list.push_back(&link->state);
  return list;
}

CTileHotLink* CTile::FindLink(int id) const {
  for (const auto& link : hotLinks) {
    if (link->state.id == id) return link.get();
  }
  return nullptr;
}

void CTile::ActivateToolTips(bool active) {
  for (const auto& link : hotLinks) link->ActivateToolTip(active);
}

void CDialogTile::Layout(const RECT& clientRect, const CDpiScale& dpi) {
  CTile::Layout(clientRect, dpi);
  hotLinks.clear();
  linkFont.reset();
  textFont.reset();
  titleFont.reset();
  fontFamily = TileFontFamily();
  titleFont = TileFont(fontFamily.get(), scale, kTitlePoints, Gdiplus::FontStyleRegular);
  textFont = TileFont(fontFamily.get(), scale, kTextPoints, Gdiplus::FontStyleRegular);
  linkFont = TileFont(fontFamily.get(), scale, kTextPoints, Gdiplus::FontStyleUnderline);
  format.reset(Gdiplus::StringFormat::GenericTypographic()->Clone());
  if (format) format->SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  const CTileLayout layout = LayoutTile(Metrics());
  titleRect = layout.title;
  secondLineRect = layout.secondLine;
}

void CDialogTile::TakeTheme(const wchar_t* tileName) { theme = GetTileTheme(tileName, DefaultTileTheme()); }

CTileMetrics CDialogTile::Metrics() const {
  CTileMetrics metrics;
  metrics.width = client.right - client.left;
  metrics.height = client.bottom - client.top;
  metrics.scale = scale;
  return metrics;
}

void CDialogTile::PlaceLink(CTextHotLink& link) {
  CTileMetrics metrics = Metrics();
  metrics.hasLink = true;
  if (linkFont) {
    HDC screen = GetDC(nullptr);
    {
      Gdiplus::Graphics graphics(screen);
      Gdiplus::RectF bounds;
      graphics.MeasureString(link.text.c_str(), -1, linkFont.get(), Gdiplus::PointF(0, 0),
                             Gdiplus::StringFormat::GenericTypographic(), &bounds);
      metrics.linkWidth = bounds.Width;
      metrics.linkHeight = bounds.Height;
    }
    ReleaseDC(nullptr, screen);
  }
  const CTileLayout layout = LayoutTile(metrics);
  link.textRect = layout.link;
  link.state.area = layout.linkArea;
}

void CDialogTile::PaintTile(HDC dc, const std::wstring& title, const std::wstring& secondLine,
                            const std::vector<std::shared_ptr<CCertImageHotlink>>& pictograms,
                            const CTextHotLink* link) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) return;
  const CTileStateColors& colours = theme.states[DrawnState()];
  Gdiplus::Bitmap offScreen(width, height, PixelFormat32bppARGB);
  if (offScreen.GetLastStatus() != Gdiplus::Ok) return;
  {
    Gdiplus::Graphics graphics(&offScreen);
    graphics.Clear(ToGdiplusColor(colours.background));
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::SolidBrush text(ToGdiplusColor(colours.foreground));
    if (titleFont) {
      graphics.DrawString(title.c_str(), -1, titleFont.get(), ToGdiplus(titleRect), format.get(), &text);
    }
    if (textFont) {
      graphics.DrawString(secondLine.c_str(), -1, textFont.get(), ToGdiplus(secondLineRect), format.get(),
                          &text);
    }
    for (const auto& pictogram : pictograms) {
      if (pictogram->Image() == nullptr) continue;
      graphics.DrawImage(pictogram->Image(), ToGdiplus(pictogram->imageRect));
    }
    if (link != nullptr && DrawnState() != kTileDisabled) {
      Gdiplus::Font* font = link->state.Underlined() ? linkFont.get() : textFont.get();
      if (font != nullptr) {
        graphics.DrawString(link->text.c_str(), -1, font, ToGdiplus(link->textRect),
                            Gdiplus::StringFormat::GenericTypographic(), &text);
      }
    }
  }
  Gdiplus::Graphics target(dc);
  target.DrawImage(&offScreen, 0, 0, width, height);
}

CCertDialogTile::CCertDialogTile(const CCertificatePolicy* certificatePolicy)
    : certificate(certificatePolicy) {}

void CCertDialogTile::Layout(const RECT& clientRect, const CDpiScale& dpi) {
  CDialogTile::Layout(clientRect, dpi);
  TakeTheme(L"CertTile");
  pictograms.clear();
  showLink.reset();
  if (certificate == nullptr) return;
  CSecureBuffer encoded = certificate->GetEncodedCertificate();
  showLink = std::make_shared<CCertViewHotlink>(FormatResourceString(kShowText), encoded,
                                                FormatResourceString(kShowToolTip));
  encoded.Clear();
  PlaceLink(*showLink);
  hotLinks.push_back(showLink);

  CTileMetrics metrics = Metrics();
  std::vector<std::shared_ptr<CCertImageHotlink>> loaded;
  for (const CPictogramRef& ref : PictogramsForTypes(certificate->certificateType.flags)) {
    auto image = LoadPictogram(ref.resourceId, ScaleByDpi(scale, kPictogramHeight));
    if (!image) continue;  // a picture that is missing leaves no gap in the row
    metrics.pictograms.push_back(SizeOf(*image));
    loaded.push_back(std::make_shared<CCertImageHotlink>(ref.resourceId, std::move(image),
                                                         FormatResourceString(ref.tooltipId)));
  }
  const CTileLayout layout = LayoutTile(metrics);
  for (size_t i = 0; i < loaded.size(); ++i) {
    loaded[i]->imageRect = layout.pictograms[i];
    loaded[i]->state.area = layout.pictogramAreas[i];
    pictograms.push_back(loaded[i]);
    hotLinks.push_back(loaded[i]);
  }
}

std::unique_ptr<Gdiplus::Bitmap> CCertDialogTile::LoadPictogram(int resourceId, int height) {
  CGdiPlusBitmapResource picture;
  if (!picture.Load(static_cast<UINT>(resourceId), CAppWindow::ResourceModule())) return nullptr;
  return ScaleBitmapToHeight(*picture.Get(), height);
}

void CCertDialogTile::Paint(HDC dc) {
  if (certificate == nullptr) {
    PaintTile(dc, std::wstring(), std::wstring(), pictograms, nullptr);
    return;
  }
  PaintTile(dc, certificate->friendlyName, certificate->policyNotification, pictograms, showLink.get());
}

CProviderDialogTile::CProviderDialogTile(const CProviderConfig* providerConfig, const CPolicy* policy)
    : provider(providerConfig), account(policy) {}

void CProviderDialogTile::Layout(const RECT& clientRect, const CDpiScale& dpi) {
  CDialogTile::Layout(clientRect, dpi);
  TakeTheme(L"ProviderTile");
  manageLink.reset();
  if (provider == nullptr || provider->AccountManagementURL.empty()) return;
  manageLink = std::make_shared<CProviderManageHotlink>(FormatResourceString(kManageText),
                                                        provider->AccountManagementURL,
                                                        FormatResourceString(kManageToolTip));
  PlaceLink(*manageLink);
  hotLinks.push_back(manageLink);
}

std::wstring CProviderDialogTile::Title() const {
  if (account != nullptr && !account->issuerId.empty()) return account->issuerId;
  return provider != nullptr ? provider->Name : std::wstring();
}

std::wstring CProviderDialogTile::SecondLine() const {
  if (account != nullptr && !account->userFriendlyName.empty()) return account->userFriendlyName;
  return provider != nullptr ? provider->Description : std::wstring();
}

void CProviderDialogTile::Paint(HDC dc) { PaintTile(dc, Title(), SecondLine(), {}, manageLink.get()); }

}  // namespace ui
}  // namespace luma
