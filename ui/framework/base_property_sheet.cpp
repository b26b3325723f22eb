#include "ui/framework/base_property_sheet.h"

#include "foundation/win/system_utils.h"
#include "ui/framework/apply_worker.h"
#include "ui/framework/window_helpers.h"

namespace luma {
namespace ui {

CFontHandle CreateDialogFont(const CDpiScale& dpi) {
  LOGFONTW description = {};
  description.lfHeight = ScaledFontHeight(dpi, kDialogFontPoints);
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = CLEARTYPE_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH;
  wcscpy_s(description.lfFaceName, kDialogFontFace);
  return CFontHandle(CreateFontIndirectW(&description));
}

void MeasureWindowDpi(HWND window, CDpiScale& dpi) {
  CWindowDc dc(window);
  MeasureDpi(dpi, dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96);
}

HICON LoadIconAtMetric(UINT id, bool small) {
  using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (HMODULE controls = GetModuleHandleW(L"comctl32.dll")) {
    auto load = reinterpret_cast<LoadIconMetricFn>(
        reinterpret_cast<void*>(GetProcAddress(controls, "LoadIconMetric")));
    HICON icon = nullptr;
    if (load != nullptr &&
        SUCCEEDED(load(module, MAKEINTRESOURCEW(id), small ? LIM_SMALL : LIM_LARGE, &icon))) {
      return icon;
    }
  }
  const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

CBasePropertySheet::CBasePropertySheet(HWND parent, UINT caption, int)
    : CPropertySheet(caption, parent, 0),
      pageBrush(CreateSolidBrush(kPageColour)),
      bandBrush(CreateSolidBrush(kBandColour)),
      separatorPen(CreatePen(PS_SOLID, 1, kSeparatorColour)),
      arrowCursor(LoadCursorW(nullptr, IDC_ARROW)),
      waitCursor(LoadCursorW(nullptr, IDC_WAIT)) {
  m_psh.dwFlags &= ~(PSH_PROPTITLE | PSH_HASHELP);
  m_psh.dwFlags |= PSH_NOAPPLYNOW;
}

CBasePropertySheet::~CBasePropertySheet() = default;

LRESULT CBasePropertySheet::EndDialog(WPARAM result, LPARAM) {
  CPropertySheet::EndDialog(static_cast<int>(result));
  return 1;
}

void CBasePropertySheet::EnableButton(int id, BOOL enable) const {
  if (HWND button = GetDlgItem(id)) EnableWindow(button, enable);
}

void CBasePropertySheet::EnableOK(BOOL enable) { EnableButton(IDOK, enable); }
void CBasePropertySheet::EnableCancel(BOOL enable) { EnableButton(IDCANCEL, enable); }
void CBasePropertySheet::EnableNext(BOOL enable) { EnableButton(kWizardNextId, enable); }
void CBasePropertySheet::EnableBack(BOOL enable) { EnableButton(kWizardBackId, enable); }
void CBasePropertySheet::EnableFinish(BOOL enable) { EnableButton(kWizardFinishId, enable); }

void CBasePropertySheet::FocusCancel() {
  HWND cancel = GetDlgItem(IDCANCEL);
  if (cancel == nullptr) return;
  SetFocus(cancel);
  PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel), TRUE);
}

void CBasePropertySheet::SetBusy(bool cancellable) {
  busy = true;
  EnableOK(FALSE);
  EnableNext(FALSE);
  EnableBack(FALSE);
  EnableFinish(FALSE);
  if (cancellable) {
    SetFocus(m_hWnd);
    EnableCancel(TRUE);
    FocusCancel();
  } else {
    EnableCancel(FALSE);
  }
}

void CBasePropertySheet::SetIdle() {
  busy = false;
  EnableCancel(TRUE);
}

bool CBasePropertySheet::NextPage() {
  const int active = GetActiveIndex();
  if (active < 0 || active + 1 >= GetPageCount()) return false;
  SetActivePage(active + 1);
  return true;
}

bool CBasePropertySheet::SetActivePageById(UINT templateId, bool post) {
  for (int i = 0; i < GetPageCount(); ++i) {
    if (GetPage(i)->PageTemplateId() != templateId) continue;
    if (post) {
      PostMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(i), 0);
    } else {
      SetActivePage(i);
    }
    return true;
  }
  return false;
}

void CBasePropertySheet::PostEndDialog(int result) {
  if (m_hWnd != nullptr) PostMessageW(m_hWnd, EndDialogMessage(), static_cast<WPARAM>(result), 0);
}

INT_PTR CBasePropertySheet::DoModal() {
  HWND foreground = GetForegroundWindow();
  previousForeground = foreground != nullptr ? GetAncestor(foreground, GA_ROOTOWNER) : nullptr;
  return CPropertySheet::DoModal();
}

BOOL CBasePropertySheet::DestroyWindow() {
  if (previousForeground != nullptr) SetForegroundWindow(previousForeground);
  return CPropertySheet::DestroyWindow();
}

void CBasePropertySheet::PreSubclassWindow() {
  const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | WS_CAPTION | WS_SYSMENU);
  SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CBasePropertySheet::LayOutBand() {
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  HWND cancel = GetDlgItem(IDCANCEL);
  RECT button = {};
  if (cancel == nullptr || !GetWindowRect(cancel, &button)) {
    pageRect = client;  // no buttons: all page
    bandRect = {0, client.bottom, client.right, client.bottom};
    return;
  }
  POINT clientBottom = {0, client.bottom};
  ClientToScreen(m_hWnd, &clientBottom);
  const CSheetLayout layout =
      SheetLayout(client.right, client.bottom, button.top, button.bottom, clientBottom.y);
  pageRect = {layout.page.left, layout.page.top, layout.page.right, layout.page.bottom};
  bandRect = {layout.band.left, layout.band.top, layout.band.right, layout.band.bottom};
}

BOOL CBasePropertySheet::OnInitDialog() {
  CPropertySheet::OnInitDialog();
  smallIcon.reset(LoadIconAtMetric(iconId, true));
  largeIcon.reset(LoadIconAtMetric(iconId, false));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.get()));

  MeasureWindowDpi(m_hWnd, dpi);
  font = CreateDialogFont(dpi);
  SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);

  LayOutBand();
  if (HWND tabs = PropSheet_GetTabControl(m_hWnd)) {
    SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(8, 8));
    ShowWindow(tabs, SW_HIDE);
  }
  if (HWND divider = GetDlgItem(kWizardDividerId)) {
    ShowWindow(divider, SW_HIDE);
    PostMessageW(m_hWnd, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
  }
  SetText(FormatResourceString(GetCaptionId()));
  SetActivePage(0);
  SetFontToDescendants(font.get());
  CenterWindowOnScreen(m_hWnd);
  if (!BringWindowToForeground(m_hWnd)) ForceForegroundWindow(m_hWnd);
  return TRUE;
}

void CBasePropertySheet::Paint(HDC dc) const {
  FillRect(dc, &pageRect, pageBrush.get());
  FillRect(dc, &bandRect, bandBrush.get());
  CSelectObject pen(dc, separatorPen.get());
  MoveToEx(dc, bandRect.left, bandRect.top, nullptr);
  LineTo(dc, bandRect.right, bandRect.top);
}

LRESULT CBasePropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EndDialogMessage() && message != 0) return EndDialog(wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND:
      Paint(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_NCHITTEST: {
      const LRESULT hit = Default(message, wParam, lParam);
      if (hit != HTCLIENT) return hit;
      POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ScreenToClient(m_hWnd, &at);
      return PtInRect(&pageRect, at) ? hit : HTNOWHERE;
    }
    case WM_SETCURSOR:
      if (busy && LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == m_hWnd) {
        SetCursor(waitCursor);
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        HWND cancel = GetDlgItem(IDCANCEL);
        if (cancel != nullptr && !IsWindowEnabled(cancel)) return 0;  // nothing to cancel with
      }
      break;
    case WM_COMMAND:
      // Esc reaches the sheet as Cancel's command even while the button is disabled.
      if (LOWORD(wParam) == IDCANCEL) {
        HWND cancel = GetDlgItem(IDCANCEL);
        if (cancel != nullptr && !IsWindowEnabled(cancel)) return 0;
      }
      break;
    default:
      break;
  }
  return CPropertySheet::WindowProc(message, wParam, lParam);
}

}  // namespace ui
}  // namespace luma
