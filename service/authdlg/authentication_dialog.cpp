#include "service/authdlg/authentication_dialog.h"

#include "foundation/win/system_utils.h"
#include "service/authdlg/auth_dialog_page.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma {
namespace ui {

CCountdown::CCountdown() : brush(CreateSolidBrush(kBandColour)) {}

bool CCountdown::Create(HWND parent, const RECT& area, HFONT font) {
  HWND window = CreateWindowExW(
      0, L"Static", L"",
      WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_ENDELLIPSIS | SS_CENTERIMAGE | SS_LEFTNOWORDWRAP, area.left,
      area.top, area.right - area.left, area.bottom - area.top, parent,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(CAuthenticationDialog::kCountdownControlId)),
      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return false;
  Attach(window);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return true;
}

void CCountdown::Show(const std::wstring& text) const {
  if (m_hWnd == nullptr) return;
  SendMessageW(m_hWnd, WM_SETREDRAW, FALSE, 0);
  SetText(text);
  SendMessageW(m_hWnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CCountdown::Destroy() {
  if (m_hWnd != nullptr) ::DestroyWindow(Detach());
}

CAuthenticationDialog::CAuthenticationDialog(HWND parent, UINT captionId)
    : CBasePropertySheet(parent, captionId) {}

CAuthenticationDialog::~CAuthenticationDialog() = default;

BOOL CAuthenticationDialog::OnInitDialog() {
  okButton.Bind(m_hWnd, IDOK);
  cancelButton.Bind(m_hWnd, IDCANCEL);
  CBasePropertySheet::OnInitDialog();

  const int margin = ScaleByDpi(Dpi(), 10);
  RECT ok = {};
  if (okButton.Handle() != nullptr && GetWindowRect(okButton.Handle(), &ok)) {
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&ok), 2);
  } else {
    ok.left = BandRect().right;
  }
  // The band's 5-pixel insets are not scaled: they only keep the text off the separator.
  const RECT area = {margin, BandRect().top + 5, ok.left - margin, BandRect().bottom - 5};
  countdown.Create(m_hWnd, area, Font());
  SetFontToDescendants(Font());

  if (timerId != 0) KillTimer(m_hWnd, timerId);
  sequence.Start(kAuthCountdownSeconds);
  timerId = SetTimer(m_hWnd, kCountdownTimerId, 1000, nullptr);
  return TRUE;
}

void CAuthenticationDialog::StopCountdown() {
  if (timerId != 0 && m_hWnd != nullptr) KillTimer(m_hWnd, timerId);
  timerId = 0;
  sequence.Stop();
  countdown.Show(L"");
}

void CAuthenticationDialog::OnTimer() {
  const CountdownTick tick = sequence.Tick();
  if (tick.cancel) {
    if (timerId != 0) KillTimer(m_hWnd, timerId);
    timerId = 0;
    // Nobody answered: the active page is not asked, a running worker's result is dropped with it.
    CPropertySheet::EndDialog(IDCANCEL);
    return;
  }
  if (tick.show) countdown.Show(FormatResourceString(IDS_CANCEL_COUNTDOWN, tick.minutes, tick.seconds));
}

void CAuthenticationDialog::OnOK() {
  StopCountdown();  // for good, even when the page then waits for new input
  auto* page = dynamic_cast<CAuthDialogPage*>(GetActivePage());
  if (page == nullptr || page->Apply()) CPropertySheet::EndDialog(IDOK);
}

void CAuthenticationDialog::OnCancel() {
  StopCountdown();
  EnableOK(FALSE);
  EnableCancel(FALSE);
  if (auto* page = dynamic_cast<CAuthDialogPage*>(GetActivePage())) page->Cancel();
  CPropertySheet::EndDialog(IDCANCEL);
}

void CAuthenticationDialog::OnDestroy() {
  if (timerId != 0) KillTimer(m_hWnd, timerId);
  timerId = 0;
  sequence.Stop();
  okButton.Detach();
  cancelButton.Detach();
  countdown.Detach();  // destroyed with the sheet
}

bool CAuthenticationDialog::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED || control == nullptr) {
    if (id == IDOK) {
      if (okButton.IsEnabled()) OnOK();
      return true;
    }
    if (id == IDCANCEL) {
      OnCancel();
      return true;
    }
  }
  return CBasePropertySheet::OnCommand(id, code, control);
}

LRESULT CAuthenticationDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kCountdownTimerId) {
        OnTimer();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == countdown.Handle() && countdown.Handle() != nullptr) {
        SetBkColor(reinterpret_cast<HDC>(wParam), kBandColour);
        return reinterpret_cast<LRESULT>(countdown.Brush());
      }
      break;
    case WM_DESTROY:
      OnDestroy();
      break;
    default:
      break;
  }
  return CBasePropertySheet::WindowProc(message, wParam, lParam);
}

}  // namespace ui
}  // namespace luma
