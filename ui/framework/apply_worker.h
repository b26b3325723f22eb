// The background work behind a page's OK or Next: a worker function runs on its own thread with a
// parameter that holds copies of everything it needs, and its result comes back to the page on the
// dialog's thread with the registered message "WM_USER_THREAD_COMPLETE", sent synchronously so that
// the page's handler runs while the worker thread waits. A run the page cancelled, or whose page is
// gone, delivers nothing; parameter and result are deleted by the run after the handler returns.
#ifndef LUMA_UI_FRAMEWORK_APPLY_WORKER_H_
#define LUMA_UI_FRAMEWORK_APPLY_WORKER_H_

#include <windows.h>

#include <functional>
#include <memory>

namespace luma {
namespace ui {

// Each page derives its own parameter and result.
class CApplyWorkerParameter {
 public:
  virtual ~CApplyWorkerParameter() = default;
};

class CApplyWorkerResult {
 public:
  virtual ~CApplyWorkerResult() = default;
};

// Runs on the worker thread; may read *cancelled to skip later steps; returns its result or null.
using ApplyWorkerFunction = std::function<std::unique_ptr<CApplyWorkerResult>(
    CApplyWorkerParameter* parameter, volatile LONG* cancelled)>;

// Every page worker lasts at least this long.
constexpr DWORD kApplyWorkerMinimumMs = 1000;

// "WM_USER_THREAD_COMPLETE" (to a page: lParam is the result) and "WM_USER_END_DIALOG" (to a sheet:
// wParam is the result).
UINT ThreadCompleteMessage();
UINT EndDialogMessage();

// One run of a worker. The page and the worker thread share it, so the page may mark it cancelled at
// any time.
class CApplyWorkerRun {
 public:
  // Hands a result to the page; true when it was delivered.
  using Delivery = std::function<bool(HWND page, CApplyWorkerResult* result)>;

  CApplyWorkerRun(HWND page, ApplyWorkerFunction worker, std::unique_ptr<CApplyWorkerParameter> parameter);
  ~CApplyWorkerRun();
  CApplyWorkerRun(const CApplyWorkerRun&) = delete;
  CApplyWorkerRun& operator=(const CApplyWorkerRun&) = delete;

  // The worker (for at least minimumMs), then the delivery unless cancelled or the page is gone;
  // parameter and result are deleted afterwards. An exception from the worker counts as a null result.
  void Run(const Delivery& deliver);
  // Run on a new thread, in a COM apartment, delivering with SendMessageW; false when no thread started.
  static bool Start(const std::shared_ptr<CApplyWorkerRun>& run);

  void Cancel() { InterlockedExchange(&cancelled, 1); }
  bool IsCancelled() const {
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&cancelled), 0, 0) != 0;
  }
  CApplyWorkerParameter* Parameter() const { return parameter.get(); }

  // How many runs exist (for tests that wait for the workers they started).
  static LONG LiveCount();

  const HWND page;
  DWORD minimumMs = kApplyWorkerMinimumMs;

 private:
  ApplyWorkerFunction worker;
  volatile LONG cancelled = 0;
  std::unique_ptr<CApplyWorkerParameter> parameter;
};

// The base page's default worker: no work, a null result.
std::unique_ptr<CApplyWorkerResult> DefaultApplyWorker(CApplyWorkerParameter* parameter,
                                                       volatile LONG* cancelled);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_APPLY_WORKER_H_
