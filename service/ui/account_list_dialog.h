// The modal account list, as small as the frame needs it: the accounts of every provider, refreshed
// when a policy changes. The full account management of the user interface takes its place.
#ifndef LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
#define LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_

#include <atomic>

#include "service/ui/main_frame_host.h"
#include "ui/framework/dialog.h"

namespace luma {
namespace ui {

class CAccountListDialog : public CDialog {
 public:
  CAccountListDialog(HWND parent, const CProviderContextMap& contexts);

  // Runs the dialog owned by the frame (or `owner` when given); below 0 when it could not be shown.
  INT_PTR DoModal(HWND owner = nullptr) override;
  // True while the list shows a dialog of its own.
  bool IsBusy() const { return busy; }

 protected:
  std::atomic<bool> busy{false};

  BOOL OnInitDialog() override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void Refresh();

  HWND parent;
  const CProviderContextMap& contexts;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
