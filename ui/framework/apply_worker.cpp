#include "ui/framework/apply_worker.h"

#include "foundation/win/debug_log.h"
#include "ui/framework/worker_thread.h"

namespace luma {
namespace ui {
namespace {

volatile LONG g_liveRuns = 0;

// Registered once, when the program starts.
const UINT g_threadCompleteMessage = RegisterWindowMessageW(L"WM_USER_THREAD_COMPLETE");
const UINT g_endDialogMessage = RegisterWindowMessageW(L"WM_USER_END_DIALOG");

}  // namespace

UINT ThreadCompleteMessage() { return g_threadCompleteMessage; }
UINT EndDialogMessage() { return g_endDialogMessage; }

std::unique_ptr<CApplyWorkerResult> DefaultApplyWorker(CApplyWorkerParameter*, volatile LONG*) {
  return nullptr;
}

CApplyWorkerRun::CApplyWorkerRun(HWND pageWindow, ApplyWorkerFunction function,
                                 std::unique_ptr<CApplyWorkerParameter> workerParameter)
    : page(pageWindow), worker(std::move(function)), parameter(std::move(workerParameter)) {
  InterlockedIncrement(&g_liveRuns);
}

CApplyWorkerRun::~CApplyWorkerRun() { InterlockedDecrement(&g_liveRuns); }

LONG CApplyWorkerRun::LiveCount() { return InterlockedCompareExchange(&g_liveRuns, 0, 0); }

void CApplyWorkerRun::Run(const Delivery& deliver) {
  std::unique_ptr<CApplyWorkerResult> result;
  {
    CMinimumDuration minimum(minimumMs);
    try {
      if (worker) result = worker(parameter.get(), &cancelled);
    } catch (...) {
      CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a page worker");
      result.reset();
    }
  }
  if (!IsCancelled() && IsWindow(page)) deliver(page, result.get());
  result.reset();
  parameter.reset();
}

bool CApplyWorkerRun::Start(const std::shared_ptr<CApplyWorkerRun>& run) {
  return BeginThread([run] {
    CComApartment com;
    run->Run([](HWND page, CApplyWorkerResult* result) {
      SendMessageW(page, ThreadCompleteMessage(), 0, reinterpret_cast<LPARAM>(result));
      return true;
    });
  });
}

}  // namespace ui
}  // namespace luma
