// Automatic provisioning and refresh of the accounts of providers whose login needs no user: one
// background thread provisions each provider that is due once at start and, when some provider has
// automatic refresh on, repeats provisioning and refresh every minute until the stop event is set.
// Results go to the debug log only.
#ifndef LUMA_SERVICE_APP_AUTO_UPDATE_H_
#define LUMA_SERVICE_APP_AUTO_UPDATE_H_

#include <windows.h>

#include <list>
#include <memory>

#include "foundation/win/unique_handle.h"
#include "policy/account/provider_context.h"
#include "service/soap/call_abort.h"

namespace luma::app {

using CAutoUpdateList = std::list<std::shared_ptr<CProviderContext>>;

// Time between passes of the refresh loop.
constexpr DWORD kAutoUpdatePassMilliseconds = 60000;

// One attempt each; every error is caught and logged.
void AutoProvisionProvider(const std::shared_ptr<CProviderContext>& context);
void AutoRefreshProvider(const std::shared_ptr<CProviderContext>& context);

// The thread's work: the first pass, then the refresh loop while some provider refreshes; ends when
// stopEvent is set (or cannot be waited on). Frees the list.
void RunAutoUpdates(CAutoUpdateList list, HANDLE stopEvent,
                    DWORD passMilliseconds = kAutoUpdatePassMilliseconds);

// The thread of RunAutoUpdates. Its remote calls belong to a group of their own, which Abort cuts
// short; the program waits a bounded time for it at the end and leaves one that does not end to the
// end of the process (it holds its provider contexts itself).
class CAutoUpdateThread {
 public:
  // How long the shut-down waits for the thread once its call was aborted.
  static constexpr DWORD kStopMilliseconds = 2000;

  CAutoUpdateThread() = default;
  CAutoUpdateThread(const CAutoUpdateThread&) = delete;
  CAutoUpdateThread& operator=(const CAutoUpdateThread&) = delete;

  // Starts the thread, which owns the list; false when no thread started.
  bool Start(CAutoUpdateList list, HANDLE stopEvent);
  // Aborts the remote call in flight and every later one; the caller has set the stop event.
  void Abort();
  // Waits at most `milliseconds`; true when the thread has ended or never ran.
  bool Wait(DWORD milliseconds);

 private:
  luma::CKernelHandle thread;
  std::shared_ptr<luma::service::CCallAbort> remoteCalls = std::make_shared<luma::service::CCallAbort>();
};

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_AUTO_UPDATE_H_
