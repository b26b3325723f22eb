// Automatic provisioning and refresh of the accounts of providers whose login needs no user: one
// background thread provisions each provider that is due once at start and, when some provider has
// automatic refresh on, repeats provisioning and refresh every minute until the stop event is set.
// Results go to the debug log only.
#ifndef LUMA_SERVICE_APP_AUTO_UPDATE_H_
#define LUMA_SERVICE_APP_AUTO_UPDATE_H_

#include <windows.h>

#include <list>
#include <memory>

#include "policy/account/provider_context.h"

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

// Starts RunAutoUpdates on a thread of its own, which owns the list; false when no thread started.
// The program does not wait for it: an attempt still running at the end is cut off with the process.
bool StartAutoUpdateThread(CAutoUpdateList list, HANDLE stopEvent);

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_AUTO_UPDATE_H_
