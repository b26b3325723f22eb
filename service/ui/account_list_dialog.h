// The modal account list, as small as the frame needs it: the accounts of every provider, refreshed
// when a policy changes. The full account management of the user interface takes its place.
#ifndef LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
#define LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_

#include <atomic>

#include "service/ui/main_frame_host.h"

namespace luma {
namespace ui {

class CAccountListDialog {
 public:
  CAccountListDialog(HWND parent, const CProviderContextMap& contexts);
  CAccountListDialog(const CAccountListDialog&) = delete;
  CAccountListDialog& operator=(const CAccountListDialog&) = delete;
  virtual ~CAccountListDialog() = default;

  // Runs the dialog; below 0 when it could not be shown.
  virtual INT_PTR DoModal();
  HWND GetSafeHwnd() const { return m_hWnd; }
  // True while the list shows a dialog of its own.
  bool IsBusy() const { return busy; }

 protected:
  HWND m_hWnd = nullptr;
  std::atomic<bool> busy{false};

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void Refresh();

  HWND parent;
  const CProviderContextMap& contexts;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
