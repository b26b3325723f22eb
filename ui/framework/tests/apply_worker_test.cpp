#include "ui/framework/apply_worker.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <stdexcept>

#include "ui/framework/app_window.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/framework/worker_thread.h"

namespace luma::ui {
namespace {

using ui_test::CCountedParameter;
using ui_test::CCountedResult;

class CMessageWindow : public CAppWindow {
 public:
  CMessageWindow() { Create(L"worker test", WS_POPUP); }
};

// A run's life without a dialog: what the worker sees, whether the page hears of the result, and that
// parameter and result are let go of in every case.
TEST(ApplyWorkerRunTest, DeliversOnlyToALivePageThatDidNotCancel) {
  struct Case {
    const char* name;
    bool cancelFirst;
    bool pageAlive;
    bool returnsResult;
    bool throws;
    bool delivered;
  } cases[] = {
      {"result to a live page", false, true, true, false, true},
      {"null result is still delivered", false, true, false, false, true},
      {"worker that throws counts as a null result", false, true, false, true, true},
      {"cancelled run delivers nothing", true, true, true, false, false},
      {"page already gone", false, false, true, false, false},
  };
  for (const Case& c : cases) {
    CMessageWindow page;
    HWND pageWindow = page.Handle();
    if (!c.pageAlive) page.Destroy();
    std::atomic<int> parameters{0}, results{0};
    auto parameter = std::make_unique<CCountedParameter>(parameters);
    CApplyWorkerParameter* given = parameter.get();
    CApplyWorkerParameter* seenParameter = nullptr;
    LONG seenCancelled = -1;
    CApplyWorkerRun run(
        pageWindow,
        [&](CApplyWorkerParameter* p, volatile LONG* cancelled) -> std::unique_ptr<CApplyWorkerResult> {
          seenParameter = p;
          seenCancelled = *cancelled;
          if (c.throws) throw std::runtime_error("service gone");
          if (!c.returnsResult) return nullptr;
          return std::make_unique<CCountedResult>(results);
        },
        std::move(parameter));
    run.minimumMs = 0;
    if (c.cancelFirst) run.Cancel();
    int deliveries = 0;
    CApplyWorkerResult* delivered = nullptr;
    run.Run([&](HWND target, CApplyWorkerResult* result) {
      ++deliveries;
      EXPECT_EQ(target, pageWindow);
      EXPECT_EQ(results.load(), 0) << "the result is deleted only after its delivery";
      delivered = result;
      return true;
    });
    EXPECT_EQ(seenParameter, given) << c.name;
    EXPECT_EQ(seenCancelled, c.cancelFirst ? 1 : 0) << c.name;
    EXPECT_EQ(deliveries, c.delivered ? 1 : 0) << c.name;
    if (c.delivered) {
      EXPECT_EQ(delivered != nullptr, c.returnsResult) << c.name;
    }
    EXPECT_EQ(parameters.load(), 1) << c.name;
    EXPECT_EQ(results.load(), c.returnsResult ? 1 : 0) << c.name;
    EXPECT_EQ(run.Parameter(), nullptr) << c.name;
  }
}

TEST(ApplyWorkerRunTest, LastsAtLeastItsMinimumEvenWhenTheWorkerThrows) {
  for (bool throws : {false, true}) {
    CApplyWorkerRun run(
        nullptr,
        [throws](CApplyWorkerParameter*, volatile LONG*) -> std::unique_ptr<CApplyWorkerResult> {
          if (throws) throw 7;
          return nullptr;
        },
        nullptr);
    run.minimumMs = 300;
    const DWORD start = GetTickCount();
    run.Run([](HWND, CApplyWorkerResult*) { return true; });
    EXPECT_GE(GetTickCount() - start, 290u) << (throws ? "throwing worker" : "quick worker");
  }
}

// Started for real: the worker runs on a thread of its own in a single-threaded apartment, and the
// result is handed to the page's window on the thread that owns it.
TEST(ApplyWorkerRunTest, StartRunsInAnApartmentAndDeliversOnThePagesThread) {
  class CPage : public CAppWindow {
   public:
    std::atomic<int> deliveries{0};
    DWORD deliveryThread = 0;
    CApplyWorkerResult* result = nullptr;

   protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == ThreadCompleteMessage()) {
        ++deliveries;
        deliveryThread = GetCurrentThreadId();
        result = reinterpret_cast<CApplyWorkerResult*>(lParam);
        return 0;
      }
      return CAppWindow::WindowProc(message, wParam, lParam);
    }
  } page;
  ASSERT_TRUE(page.Create(L"worker page", WS_POPUP));
  std::atomic<int> results{0};
  DWORD workerThread = 0;
  APTTYPE apartment = APTTYPE_MTA;
  APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
  CApplyWorkerResult* made = nullptr;
  auto run = std::make_shared<CApplyWorkerRun>(
      page.Handle(),
      [&](CApplyWorkerParameter*, volatile LONG*) -> std::unique_ptr<CApplyWorkerResult> {
        workerThread = GetCurrentThreadId();
        CoGetApartmentType(&apartment, &qualifier);
        auto result = std::make_unique<CCountedResult>(results);
        made = result.get();
        return result;
      },
      nullptr);
  run->minimumMs = 0;
  const LONG before = CApplyWorkerRun::LiveCount();
  ASSERT_TRUE(CApplyWorkerRun::Start(run));
  run.reset();
  const DWORD start = GetTickCount();
  while (CApplyWorkerRun::LiveCount() >= before && GetTickCount() - start < 10000) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(5);
  }
  EXPECT_EQ(page.deliveries.load(), 1);
  EXPECT_EQ(page.deliveryThread, GetCurrentThreadId());
  EXPECT_NE(workerThread, GetCurrentThreadId());
  EXPECT_TRUE(apartment == APTTYPE_STA || apartment == APTTYPE_MAINSTA) << "apartment type " << apartment;
  EXPECT_EQ(page.result, made);
  EXPECT_EQ(results.load(), 1);
}

}  // namespace
}  // namespace luma::ui
