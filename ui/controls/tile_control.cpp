#include "ui/controls/tile_control.h"

#include <windowsx.h>

namespace luma {
namespace ui {

CTileControl::CTileControl(CTile* hosted)
    : tile(hosted), arrow(LoadCursorW(nullptr, IDC_ARROW)), hand(LoadCursorW(nullptr, IDC_HAND)) {}

bool CTileControl::Attach(HWND dialog, int id) {
  if (!SubclassDlgItem(dialog, id)) return false;
  {
    CWindowDc dc(m_hWnd);
    MeasureDpi(scale, dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96);
  }
  GetClientRect(m_hWnd, &client);
  if (tile == nullptr) return true;
  tile->Layout(client, scale);
  for (const auto& link : tile->HotLinks()) link->CreateToolTip(m_hWnd);
  tile->Enable(IsWindowEnabled(m_hWnd) != FALSE);
  input.Enable(IsWindowEnabled(m_hWnd) != FALSE);
  return true;
}

void CTileControl::SetTileState(int state) {
  if (tile == nullptr || tile->GetState() == state) return;
  tile->SetState(state);
  if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CTileControl::Repaint(const std::vector<CRectI>& areas) {
  for (const CRectI& area : areas) {
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(m_hWnd, &rect, TRUE);
  }
}

void CTileControl::Click(int linkId) {
  if (linkId == 0 || tile == nullptr) return;
  if (CTileHotLink* link = tile->FindLink(linkId)) link->OnClick(m_hWnd);
}

CPointI CTileControl::ClientPoint(LPARAM lParam, bool screen) const {
  POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (screen) ScreenToClient(m_hWnd, &point);
  return {point.x, point.y};
}

LRESULT CTileControl::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (tile == nullptr) return Default(message, wParam, lParam);
  std::vector<CRectI> repaint;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(m_hWnd, &paint);
      if (dc != nullptr) tile->Paint(dc);
      EndPaint(m_hWnd, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      tile->Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 0;  // the tile paints every pixel
    case WM_NCHITTEST: {
      CHotLinkList links = tile->LinkStates();
      const bool onLink = input.HitTest(links, ClientPoint(lParam, true), repaint);
      Repaint(repaint);
      return onLink ? HTCLIENT : HTNOWHERE;
    }
    case WM_SETCURSOR:
      SetCursor(input.ShowsHand(LOWORD(lParam) == HTCLIENT) ? hand : arrow);
      return TRUE;
    case WM_MOUSEMOVE:
      if (!input.tracking) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        input.tracking = TrackMouseEvent(&track) != FALSE;
      }
      return 0;
    case WM_MOUSELEAVE: {
      CHotLinkList links = tile->LinkStates();
      input.MouseLeave(links, repaint);
      Repaint(repaint);
      return 0;
    }
    case WM_LBUTTONUP:
      Click(input.ButtonUp(tile->LinkStates(), ClientPoint(lParam, false)));
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        Click(input.SpaceUp());
        return 0;
      }
      break;
    case WM_SETFOCUS: {
      CHotLinkList links = tile->LinkStates();
      input.SetFocus(links, repaint);
      Repaint(repaint);
      break;
    }
    case WM_KILLFOCUS: {
      CHotLinkList links = tile->LinkStates();
      input.KillFocus(links, repaint);
      Repaint(repaint);
      break;
    }
    case WM_ENABLE:
      input.Enable(wParam != FALSE);
      tile->Enable(wParam != FALSE);
      InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace ui
}  // namespace luma
