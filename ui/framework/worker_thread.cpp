#include "ui/framework/worker_thread.h"

#include <objbase.h>
#include <process.h>

#include <memory>

#include "foundation/win/debug_log.h"
#include "foundation/win/unique_handle.h"
#include "ui/core/window_geometry.h"

namespace luma {
namespace ui {
namespace {

unsigned __stdcall ThreadEntry(void* parameter) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  try {
    (*body)();
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a user-interface thread");
  }
  return 0;
}

}  // namespace

bool BeginThread(std::function<void()> body, int priority) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  unsigned id = 0;
  CKernelHandle thread(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadEntry, owned.get(), CREATE_SUSPENDED, &id)));
  if (!thread) return false;
  owned.release();  // the thread owns it now
  if (priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(thread.get(), priority);
  ResumeThread(thread.get());
  return true;
}

CComApartment::CComApartment() { initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }

CComApartment::~CComApartment() {
  if (initialised) CoUninitialize();
}

CMinimumDuration::CMinimumDuration(DWORD minimum) : startTick(GetTickCount()), minimumMs(minimum) {}

CMinimumDuration::~CMinimumDuration() {
  const DWORD remaining = RemainingMinimumDuration(startTick, GetTickCount(), minimumMs);
  if (remaining > 0) Sleep(remaining);
}

}  // namespace ui
}  // namespace luma
