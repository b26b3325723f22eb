// The main window as other instances see it: the title by which a second instance finds the running
// one, the command that opens its account list, and the protocol URL it takes from WM_COPYDATA. The
// window itself is the user interface's main frame (service/ui/main_frame.h).
#ifndef LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_
#define LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_

#include <windows.h>

#include "service/ui/copy_data_text.h"
#include "service/ui/main_frame.h"

namespace luma::app {

// The title a second instance looks for.
constexpr const wchar_t* kMainWindowTitle = ui::CMainFrame::kTitle;
// The command that opens the account list.
constexpr WPARAM kOpenAccountListCommand = 32772;

using ui::kMaxProtocolUrlLength;
using ui::ReadCopyDataText;

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_
