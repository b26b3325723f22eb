// Threads of the user interface: a detached thread started for a function, the COM apartment a
// worker runs in, and the minimum time a page worker lasts so that its busy animation is seen.
#ifndef LUMA_UI_FRAMEWORK_WORKER_THREAD_H_
#define LUMA_UI_FRAMEWORK_WORKER_THREAD_H_

#include <windows.h>

#include <functional>

namespace luma {
namespace ui {

// Runs `body` on a new thread that ends when it returns; nothing waits for it. An exception that
// leaves `body` is logged and ends the thread. False when the thread could not be started (`body`
// then never runs).
bool BeginThread(std::function<void()> body, int priority = THREAD_PRIORITY_NORMAL);

// COM for the calling thread, apartment-threaded, for the scope's life.
class CComApartment {
 public:
  CComApartment();
  ~CComApartment();
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;
  bool Initialised() const { return initialised; }

 private:
  bool initialised = false;
};

// On scope exit (an exception's too) sleeps until `minimumMs` have passed since construction.
class CMinimumDuration {
 public:
  explicit CMinimumDuration(DWORD minimumMs);
  ~CMinimumDuration();
  CMinimumDuration(const CMinimumDuration&) = delete;
  CMinimumDuration& operator=(const CMinimumDuration&) = delete;

  DWORD startTick;
  DWORD minimumMs;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_WORKER_THREAD_H_
