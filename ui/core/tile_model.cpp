#include "ui/core/tile_model.h"

#include <cmath>

#include "ui/resources/ui_resource_ids.h"

namespace luma::ui {
namespace {

constexpr int kHotAreaMargin = 2;

struct CPictogramSource {
  int resourceId;
  int tooltipId;
};
// Pictures of the certificate-type flags 0..5 and their tooltip texts.
constexpr CPictogramSource kPictograms[kCertificateTypeFlags] = {
    {IDB_CERT_QUALIFIED, IDS_TYPE_QUALIFIED_TIP},
    {IDB_CERT_ADVANCED, IDS_TYPE_PERSONAL_ADVANCED_TIP},
    {IDB_CERT_ADVANCED, IDS_TYPE_COMPANY_ADVANCED_TIP},
    {IDB_CERT_STANDARD, IDS_TYPE_STANDARD_TIP},
    {IDB_CERT_AUTHENTICATION, IDS_TYPE_AUTHENTICATION_TIP},
    {IDB_CERT_ENCRYPTION, IDS_TYPE_ENCRYPTION_TIP},
};

}  // namespace

int TileFontPixels(const CDpiScale& scale, int points) {
  if (scale.mode == 0) return points;
  const int percent = scale.mode == 1 ? scale.initial : scale.current;
  return MulDivRounded(points, MulDivRounded(percent, 96, 72), 100);
}

CRectI HotAreaAround(const CRectF& rect) {
  CRectI area;
  area.left = static_cast<int>(std::floor(rect.x)) - kHotAreaMargin;
  area.top = static_cast<int>(std::floor(rect.y)) - kHotAreaMargin;
  area.right = static_cast<int>(std::ceil(rect.x + rect.width)) + kHotAreaMargin;
  area.bottom = static_cast<int>(std::ceil(rect.y + rect.height)) + kHotAreaMargin;
  return area;
}

CTileLayout LayoutTile(const CTileMetrics& metrics) {
  const float width = static_cast<float>(metrics.width);
  const float height = static_cast<float>(metrics.height);
  const float margin = static_cast<float>(ScaleByDpi(metrics.scale, 8));
  CTileLayout layout;
  layout.title = {margin, margin, width - 2 * margin, static_cast<float>(ScaleByDpi(metrics.scale, 22))};
  layout.secondLine = {margin, static_cast<float>(ScaleByDpi(metrics.scale, 32)), width - 2 * margin,
                       static_cast<float>(ScaleByDpi(metrics.scale, 32))};
  if (metrics.hasLink) {
    layout.link = {width - metrics.linkWidth - margin, height - metrics.linkHeight - margin,
                   metrics.linkWidth, metrics.linkHeight};
    layout.linkArea = HotAreaAround(layout.link);
  }
  float x = margin;
  const float y = height - static_cast<float>(ScaleByDpi(metrics.scale, 32));
  for (const CSizeI& image : metrics.pictograms) {
    const CRectF rect = {x, y, static_cast<float>(image.width), static_cast<float>(image.height)};
    layout.pictograms.push_back(rect);
    layout.pictogramAreas.push_back(HotAreaAround(rect));
    x += static_cast<float>(image.width) + margin;
  }
  return layout;
}

std::vector<CPictogramRef> PictogramsForTypes(const bool (&flags)[kCertificateTypeFlags]) {
  std::vector<CPictogramRef> pictograms;
  for (int flag = 0; flag < kCertificateTypeFlags; ++flag) {
    if (flags[flag]) pictograms.push_back({kPictograms[flag].resourceId, kPictograms[flag].tooltipId});
  }
  return pictograms;
}

bool CTileStates::SetState(int state) {
  if (state < 0 || state >= kTileStateCount) return false;
  remembered = state;
  if (enabled) drawn = state;
  return true;
}

void CTileStates::Enable(bool enable) {
  enabled = enable;
  drawn = enable ? remembered : kTileDisabled;
}

bool Contains(const CRectI& rect, CPointI point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

bool CTileInput::HitTest(CHotLinkList& links, CPointI point, std::vector<CRectI>& repaint) {
  hovered = 0;
  bool onLink = false;
  for (CHotLinkState* link : links) {
    const bool wasHot = link->hot;
    if (Contains(link->area, point)) {
      onLink = true;
      if (link->enabled) {
        hovered = link->id;
        link->hot = true;
      }
    } else {
      link->hot = false;
    }
    if (wasHot != link->hot) repaint.push_back(link->area);
  }
  return onLink;
}

void CTileInput::MouseLeave(CHotLinkList& links, std::vector<CRectI>& repaint) {
  tracking = false;
  if (hovered == 0) return;
  for (CHotLinkState* link : links) {
    if (link->hot) {
      link->hot = false;
      repaint.push_back(link->area);
      break;
    }
  }
  hovered = 0;
}

int CTileInput::ButtonUp(const CHotLinkList& links, CPointI point) {
  for (const CHotLinkState* link : links) {
    if (link->enabled && Contains(link->area, point)) {
      focused = link->id;
      return enabled ? link->id : 0;
    }
  }
  return 0;  // not on a link: nothing starts, whichever link has the keyboard
}

void CTileInput::SetFocus(CHotLinkList& links, std::vector<CRectI>& repaint) {
  hasFocus = true;
  for (CHotLinkState* link : links) {
    if (link->enabled) {
      focused = link->id;
      link->focused = true;
      repaint.push_back(link->area);
      break;
    }
  }
}

void CTileInput::KillFocus(CHotLinkList& links, std::vector<CRectI>& repaint) {
  hasFocus = false;
  for (CHotLinkState* link : links) {
    if (link->focused || link->hot) {
      link->focused = link->hot = false;
      repaint.push_back(link->area);
    }
  }
  focused = 0;
}

}  // namespace luma::ui
