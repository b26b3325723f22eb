#include "ui/controls/image_controls.h"

#include <commctrl.h>

#include "ui/controls/gdiplus_bitmap.h"
#include "ui/core/image_geometry.h"
#include "ui/framework/app_window.h"

namespace luma {
namespace ui {

bool CResizedBitmapControl::Attach(HWND dialog, int id) {
  if (!SubclassDlgItem(dialog, id)) return false;
  CGdiPlusBitmapResource source;
  RECT rect = {};
  GetClientRect(m_hWnd, &rect);
  if (!source.Load(resourceId, CAppWindow::ResourceModule())) return true;
  std::unique_ptr<Gdiplus::Bitmap> fitted = FitBitmapToRect(*source.Get(), rect, -1, -1, true);
  HBITMAP bitmap = nullptr;
  if (!fitted || fitted->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok) return true;
  picture.reset(bitmap);
  CStatic image;
  image.Attach(m_hWnd);
  HBITMAP previous = image.SetBitmap(picture.get());
  if (previous != nullptr && previous != picture.get()) DeleteObject(previous);
  return true;
}

CSpinnerControl::CSpinnerControl(UINT id) : resourceId(id) {}

CSpinnerControl::~CSpinnerControl() {
  if (timer != 0 && m_hWnd != nullptr) KillTimer(m_hWnd, timer);
}

bool CSpinnerControl::Attach(HWND dialog, int id) {
  if (!SubclassDlgItem(dialog, id)) return false;
  GetClientRect(m_hWnd, &client);
  {
    CWindowDc dc(m_hWnd);
    MeasureDpi(scale, dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96);
  }
  CGdiPlusBitmapResource source;
  frameCount = 0;
  strip.reset();
  if (!source.Load(resourceId, CAppWindow::ResourceModule())) return true;
  const CSizeI natural = SizeOf(*source.Get());
  const int width = client.right - client.left;
  CSizeI scaled;
  // Each frame as wide as the control.
  if (SpinnerFrameCount(natural) > 0 && width > 0 && ScaledToHeight(natural, width, scaled)) {
    strip = ScaleBitmapToWidth(*source.Get(), scaled.width);
    if (strip) frameCount = SpinnerFrameCount(natural);
  }
  return true;
}

void CSpinnerControl::Start() {
  if (m_hWnd == nullptr || timer != 0) return;
  frameCounter = 0;
  timer = SetTimer(m_hWnd, kTimerId, kFrameMs, nullptr);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CSpinnerControl::Stop() {
  if (m_hWnd == nullptr) return;
  if (timer != 0) KillTimer(m_hWnd, timer);
  timer = 0;
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CSpinnerControl::PaintTo(HDC dc) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int x = timer != 0 && strip ? SpinnerFrameX(frameCounter, frameCount, width) : -1;
  {
    // White under the frame, and all there is while it stands still or has no picture.
    CSelectObject pen(dc, GetStockObject(WHITE_PEN));
    CSelectObject brush(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, 0, 0, width, height);
  }
  if (x < 0) return;
  Gdiplus::Graphics graphics(dc);
  graphics.DrawImage(strip.get(), 0, 0, x, 0, width, height, Gdiplus::UnitPixel);
}

LRESULT CSpinnerControl::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(m_hWnd, &paint);
      if (dc != nullptr) PaintTo(dc);
      EndPaint(m_hWnd, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wParam == kTimerId && timer != 0) {
        ++frameCounter;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (timer != 0) KillTimer(m_hWnd, timer);
      timer = 0;
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

CInfoToolTip::~CInfoToolTip() { toolTip.reset(); }

bool CInfoToolTip::Attach(HWND dialog, int id) { return SubclassDlgItem(dialog, id); }

void CInfoToolTip::SetText(const std::wstring& newText) {
  text = newText;
  toolTip.reset();
  icon.reset();
  if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, TRUE);
  if (text.empty() || m_hWnd == nullptr) return;
  RECT rect = {};
  GetClientRect(m_hWnd, &rect);
  CGdiPlusBitmapResource source;
  if (source.Load(resourceId, CAppWindow::ResourceModule()))
    icon = FitBitmapToRect(*source.Get(), rect, 0, 0, false);
  toolTip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_BALLOON | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, GetParent(m_hWnd), nullptr, nullptr, nullptr));
  if (!toolTip) return;
  SetWindowPos(toolTip.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS | TTF_TRANSPARENT;
  tool.hwnd = m_hWnd;
  tool.rect = rect;
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(toolTip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(toolTip.get(), TTM_SETMAXTIPWIDTH, 0, 200);
  SendMessageW(toolTip.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, 32767);
  SendMessageW(toolTip.get(), TTM_SETDELAYTIME, TTDT_INITIAL, 800);
}

void CInfoToolTip::DestroyWindow() {
  toolTip.reset();
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

LRESULT CInfoToolTip::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(m_hWnd, &paint);
      if (dc != nullptr) {
        // The parent's background under the icon, so that a removed icon disappears.
        RECT rect = {};
        GetClientRect(m_hWnd, &rect);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(m_hWnd), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(m_hWnd)));
        FillRect(dc, &rect, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
        if (icon) Gdiplus::Graphics(dc).DrawImage(icon.get(), 0, 0);
      }
      EndPaint(m_hWnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 0;
    case WM_LBUTTONUP:
      OnClicked();
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace ui
}  // namespace luma
