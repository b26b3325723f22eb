// The handles CreateProcessW hands back for a started program, taken only where they really name
// that program's process and thread. Wine starts a Linux program (a host tool a test runs) without
// any: it returns a null process handle and leaves the thread handle and the ids as they were on its
// stack, a value that can equal a live handle of this process. Closing that value would close
// another owner's handle (a thread's stop event, say) behind its back.
#ifndef LUMA_FOUNDATION_WIN_STARTED_PROCESS_H_
#define LUMA_FOUNDATION_WIN_STARTED_PROCESS_H_

#include <windows.h>

#include "foundation/win/unique_handle.h"

namespace luma {

struct CStartedProcess {
  CKernelHandle process;  // empty where the platform gave no handle of the started process
  CKernelHandle thread;
};

inline CStartedProcess TakeStartedProcess(const PROCESS_INFORMATION& info) {
  CStartedProcess started;
  if (info.hProcess == nullptr || info.dwProcessId == 0 || GetProcessId(info.hProcess) != info.dwProcessId) {
    return started;
  }
  started.process.reset(info.hProcess);
  if (info.hThread != nullptr && GetThreadId(info.hThread) == info.dwThreadId) started.thread.reset(info.hThread);
  return started;
}

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_STARTED_PROCESS_H_
