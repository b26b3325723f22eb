// The notification-area calls of the shell, behind one seam so that tests can record them.
#ifndef LUMA_SERVICE_UI_SHELL_NOTIFY_H_
#define LUMA_SERVICE_UI_SHELL_NOTIFY_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace luma {
namespace ui {

class CShellNotify {
 public:
  virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) = 0;

 protected:
  ~CShellNotify() = default;
};

// Shell_NotifyIconW itself.
CShellNotify& SystemShellNotify();

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_SHELL_NOTIFY_H_
