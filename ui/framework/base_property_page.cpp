#include "ui/framework/base_property_page.h"

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"

namespace luma {
namespace ui {

CBasePropertyPage::CBasePropertyPage(UINT pageTemplateId, UINT captionId)
    : CPropertyPage(pageTemplateId, captionId),
      templateId(pageTemplateId),
      arrowCursor(LoadCursorW(nullptr, IDC_ARROW)),
      waitCursor(LoadCursorW(nullptr, IDC_WAIT)) {
  m_psp.dwFlags &= ~PSP_HASHELP;
}

CBasePropertyPage::~CBasePropertyPage() {
  if (run) run->Cancel();  // its result, if any, goes nowhere
}

std::wstring& CBasePropertyPage::GetCaption() {
  if (caption.empty()) {
    const CPropertySheet* owner = sheet != nullptr ? sheet : GetSheet();
    if (owner != nullptr && owner->CaptionId() != 0) caption = FormatResourceString(owner->CaptionId());
  }
  return caption;
}

void CBasePropertyPage::EnableSheetButtons(BOOL enable) {
  if (sheet == nullptr) return;
  sheet->EnableOK(enable);
  sheet->EnableNext(enable);
  sheet->EnableFinish(enable);
}

bool CBasePropertyPage::GetApplyWorker(ApplyWorkerFunction& worker,
                                       std::unique_ptr<CApplyWorkerParameter>& parameter, bool& cancellable) {
  worker = &DefaultApplyWorker;
  parameter = std::make_unique<CApplyWorkerParameter>();
  cancellable = true;
  return true;
}

void CBasePropertyPage::OnApplyWorkerComplete(CApplyWorkerParameter*, CApplyWorkerResult*) {}

BOOL CBasePropertyPage::OnInitDialog() {
  const BOOL result = CPropertyPage::OnInitDialog();
  sheet = dynamic_cast<CBasePropertySheet*>(GetSheet());
  MeasureWindowDpi(m_hWnd, dpi);
  font = CreateDialogFont(dpi);
  SetFontToDescendants(font.get());
  return result;
}

BOOL CBasePropertyPage::OnSetActive() {
  if (sheet != nullptr) sheet->SetText(GetCaption());
  return CPropertyPage::OnSetActive();
}

BOOL CBasePropertyPage::OnApply() {
  if (run) return FALSE;  // one worker at a time
  ApplyWorkerFunction worker;
  std::unique_ptr<CApplyWorkerParameter> parameter;
  bool cancellable = true;
  if (!GetApplyWorker(worker, parameter, cancellable)) return TRUE;
  if (sheet != nullptr) sheet->SetBusy(cancellable);
  auto started = std::make_shared<CApplyWorkerRun>(m_hWnd, std::move(worker), std::move(parameter));
  run = started;
  if (!CApplyWorkerRun::Start(started)) {
    CDebugLog::Log(LOG_ERROR, L"The page's worker thread could not be started [0x%08x]", GetLastError());
    run.reset();
    OnApplyWorkerComplete(started->Parameter(), nullptr);
    if (sheet != nullptr) sheet->SetIdle();
  }
  return FALSE;  // the completion decides what follows
}

LRESULT CBasePropertyPage::OnThreadComplete(WPARAM, LPARAM result) {
  if (!run) return 0;  // cancelled while the result was on its way
  std::shared_ptr<CApplyWorkerRun> finished = std::move(run);
  run.reset();
  OnApplyWorkerComplete(finished->Parameter(), reinterpret_cast<CApplyWorkerResult*>(result));
  if (sheet != nullptr) sheet->SetIdle();
  SetCursor(arrowCursor);
  return 0;
}

void CBasePropertyPage::OnCancel() {
  if (run) {
    run->Cancel();
    run.reset();
  }
  CPropertyPage::OnCancel();
}

void CBasePropertyPage::OnDestroy() {
  // A dialog that ends without Cancel (its own time-out) leaves no run that could still deliver.
  if (run) {
    run->Cancel();
    run.reset();
  }
  CPropertyPage::OnDestroy();
}

bool CBasePropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == ThreadCompleteMessage() && message != 0) {
    result = OnThreadComplete(wParam, lParam);
    return true;
  }
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client = {};
      GetClientRect(m_hWnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), kPageColour);
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    case WM_CTLCOLORDLG:
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    case WM_SETCURSOR:
      if (run) {
        SetCursor(waitCursor);
        result = TRUE;
        return true;
      }
      return false;
    default:
      return CPropertyPage::DialogProc(message, wParam, lParam, result);
  }
}

}  // namespace ui
}  // namespace luma
