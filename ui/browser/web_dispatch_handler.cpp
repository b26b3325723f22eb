#include "ui/browser/web_dispatch_handler.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "ui/core/browser_frame_geometry.h"

namespace luma::ui {

bool AWebformDispatchHandler::OnBeforeNavigate(CNavigationContext&, const std::vector<CHttpHeader>&,
                                               const CSecureBuffer&) {
  return true;
}

void AWebformDispatchHandler::OnDocumentComplete(CNavigationContext&) {}

void AWebformDispatchHandler::OnNavigateComplete(CNavigationContext&) {}

bool AWebformDispatchHandler::OnNavigateError(CNavigationContext&) { return true; }

HRESULT AWebformDispatchHandler::OnSecurityProblem(CNavigationContext&) { return S_FALSE; }

void AWebformDispatchHandler::ShowProgress(bool visible, int position) const {
  if (progressWindow == nullptr) return;
  PostMessageW(progressWindow, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  ShowWindow(progressWindow, visible ? SW_SHOWNA : SW_HIDE);
}

void AWebformDispatchHandler::OnDownloadBegin() { ShowProgress(true, 1); }

void AWebformDispatchHandler::OnDownloadComplete() { ShowProgress(false, 0); }

void AWebformDispatchHandler::OnProgressChange(long progress, long progressMax) {
  const CProgressState state = BrowserProgress(progress, progressMax);
  ShowProgress(state.visible, state.position);
}

}  // namespace luma::ui
