// One lumaPassV per user: the single-instance mutex, named with the user's SID in the global
// namespace, and what a second instance tells the running one (close, protocol URL, or open the
// account list).
#ifndef LUMA_SERVICE_APP_SINGLE_INSTANCE_H_
#define LUMA_SERVICE_APP_SINGLE_INSTANCE_H_

#include <windows.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "service/core/lumapassv_command_line.h"

namespace luma::app {

// How long a second instance waits for the running one to end after asking it to close.
constexpr DWORD kCloseWaitMilliseconds = 5000;

// "Global\{89CEB7CD-D51C-4824-A903-F0E002BF48F3}-{<sid>}".
std::wstring BuildInstanceMutexName(const std::wstring& sid);

// What the running instance was told.
struct RunningInstanceNotice {
  bool windowFound = false;
  // After a close request: the running instance's process while it has not ended yet (the wait
  // ran out); empty when it ended, or its process could not be opened.
  luma::CKernelHandle stillRunning;
};

// Finds the running instance's main window by its title and sends what the command line asks:
// WM_CLOSE (then waits up to kCloseWaitMilliseconds for its process), the protocol URL in
// WM_COPYDATA, or the command that opens the account list.
RunningInstanceNotice NotifyRunningInstance(const luma::service::LumaPassVCommandLine& commandLine);

// Sends the URL as WM_COPYDATA (dwData 0, UTF-16 with its terminating zero) to a window.
LRESULT SendProtocolUrl(HWND window, const std::wstring& url);

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_SINGLE_INSTANCE_H_
