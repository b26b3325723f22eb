#include "service/ui/shell_notify.h"

namespace luma {
namespace ui {
namespace {

class CSystemShellNotify final : public CShellNotify {
 public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override { return Shell_NotifyIconW(message, data); }
};

}  // namespace

CShellNotify& SystemShellNotify() {
  static CSystemShellNotify shell;
  return shell;
}

}  // namespace ui
}  // namespace luma
