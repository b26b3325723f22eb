// The handler as a policy observer: policies become pending certificate contexts, and the policy
// update thread makes them active, updates the certificate stores and signals the virtual reader.
#include <process.h>

#include <algorithm>
#include <memory>

#include "foundation/win/debug_log.h"
#include "service/core/cert_store_target.h"
#include "service/core/thread_stacks.h"
#include "service/handler/vsc_protocol_handler.h"

namespace {

bool ContextComesBefore(const CCertContext& a, const CCertContext& b) {
  const bool samePolicy = a.policy == b.policy;
  return luma::service::ContainerComesBefore(samePolicy, a.certificatePolicy->friendlyName,
                                             b.certificatePolicy->friendlyName, a.policy->userId,
                                             b.policy->userId);
}

bool HasEqualCertificate(const std::vector<CCertContext>& contexts, const CCertificatePolicy& certificate) {
  return std::any_of(contexts.begin(), contexts.end(),
                     [&certificate](const CCertContext& c) { return *c.certificatePolicy == certificate; });
}

// The contexts of `from` whose certificate has no equal in `in`, in the order of `from`.
std::vector<CCertContext> Missing(const std::vector<CCertContext>& from,
                                  const std::vector<CCertContext>& in) {
  std::vector<CCertContext> missing;
  for (const CCertContext& context : from) {
    if (!HasEqualCertificate(in, *context.certificatePolicy)) missing.push_back(context);
  }
  return missing;
}

}  // namespace

void CVSCProtocolHandler::SortPending() {
  std::sort(pendingContexts.begin(), pendingContexts.end(), ContextComesBefore);
  for (CCertContext& context : pendingContexts) context.marker = 1;
}

void CVSCProtocolHandler::RemovePendingOfAccount(const std::wstring& accountKey, bool logEach) {
  auto last =
      std::remove_if(pendingContexts.begin(), pendingContexts.end(), [&](const CCertContext& context) {
        if (context.policy->accountKey != accountKey) return false;
        if (logEach) {
          CDebugLog::Log(LOG_DEBUG, L"Removing certificate %s from virtual Smart Card",
                         context.certificatePolicy->descriptor.GetDescription().c_str());
        }
        return true;
      });
  pendingContexts.erase(last, pendingContexts.end());
}

void CVSCProtocolHandler::PolicyAdded(const CPolicyPtr& policy) {
  // Once stopping, a change would start no run; not waiting for the main lock keeps a provider's
  // notification short while the shut-down waits for it.
  if (!policy || IsStopping()) return;
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::PolicyAdded %s", policy->accountKey.c_str());
  // An earlier version's pending contexts stay when the new one is refused here.
  if (!policy->constraints.IsDomainAllowed()) {
    CDebugLog::Log(LOG_TRACE, L"Policy is not in allowed domain");
    return;
  }
  if (!policy->constraints.IsHostAllowed()) {
    CDebugLog::Log(LOG_TRACE, L"Policy is not on allowed host");
    return;
  }
  if (policy->IsOutdated()) {
    CDebugLog::Log(LOG_TRACE, L"Policy is outdated");
    return;
  }
  {
    luma::CRankedMutexObjLock guard(mainLock);
    const std::shared_ptr<CProviderContext> provider = GetProviderContext(policy->providerName);
    if (!provider) {
      CDebugLog::Log(LOG_ERROR, L"Provider for policy is unknown");
      return;
    }
    RemovePendingOfAccount(policy->accountKey, false);
    for (const CCertificatePolicyPtr& certificate : policy->certificatePolicies) {
      if (!certificate) continue;
      const std::wstring description = certificate->descriptor.GetDescription();
      if (!IsCertificateEnabled(certificate)) {
        CDebugLog::Log(LOG_DEBUG, L"Certificate %s is disabled", description.c_str());
        continue;
      }
      bool expired = certificate->GetDaysUntilExpiry() < 0;
      if (expired && certificate->certificateType.flags[CCertificateType::kEncryption]) {
        // Old encryption keys must stay usable to read what was encrypted for them.
        CDebugLog::Log(LOG_INFO, L"Encryption certificate %s is added regardless if expired",
                       description.c_str());
        expired = false;
      }
      if (expired || certificate->pinPolicy.IsPinChangeDue()) {
        CDebugLog::Log(LOG_WARNING,
                       L"Certificate %s is not activated since it is expired or a PIN change is required",
                       description.c_str());
        continue;
      }
      CDebugLog::Log(LOG_DEBUG, L"Adding certificate %s to virtual Smart Card", description.c_str());
      pendingContexts.emplace_back(provider, policy, certificate);
    }
    SortPending();
  }
  RunUpdateThread();
}

void CVSCProtocolHandler::PolicyRemoved(const CPolicyPtr& policy) {
  if (!policy || IsStopping()) return;
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::PolicyRemoved %s", policy->accountKey.c_str());
  {
    luma::CRankedMutexObjLock guard(mainLock);
    RemovePendingOfAccount(policy->accountKey, true);
    SortPending();
  }
  RunUpdateThread();
}

void CVSCProtocolHandler::PolicyUpdated(const CPolicyPtr& policy) {
  if (!policy) return;
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::PolicyUpdated %s", policy->accountKey.c_str());
  CPolicyObserver& observer = *this;
  observer.PolicyRemoved(policy);
  observer.PolicyAdded(policy);
}

namespace {

// What the update thread gets: the handler, and a reference that keeps it alive while the run goes
// on (none for a handler that no shared pointer owns).
struct UpdateThreadStart {
  CVSCProtocolHandler* handler;
  std::shared_ptr<CVSCProtocolHandler> keepAlive;
};

}  // namespace

void CVSCProtocolHandler::RunUpdateThread() {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::RunUpdateThread");
  if (IsStopping()) return;
  luma::CRankedMutexObjLock guard(mainLock);
  CMutexObjLock threads(threadsLock);
  if (stopping) return;  // the shut-down has taken its copy of the thread handle
  // Before activation the running pass still takes the latest pending list; after it, one more
  // pass; without a run, a new one.
  if (runState.RequestUpdate() != luma::service::CUpdateRunState::Request::kStartRun) return;
  // A run that has ended only logs before its thread returns; its handle can go.
  updateThread.reset();
  auto start = std::make_unique<UpdateThreadStart>(UpdateThreadStart{this, weak_from_this().lock()});
  const uintptr_t thread =
      _beginthreadex(nullptr, static_cast<unsigned>(luma::service::kBackgroundThreadStackBytes),
                     PolicyUpdateThread, start.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) {
    runState.RunNotStarted();
    CDebugLog::Log(LOG_ERROR, L"PolicyUpdateThread not started: %d", errno);
    return;
  }
  (void)start.release();  // the thread owns it now
  updateThread.reset(reinterpret_cast<HANDLE>(thread));
}

void CVSCProtocolHandler::ReprovisionAllPolicies() {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::ReprovisionAllPolicies");
  bool any = false;
  {
    luma::CRankedMutexObjLock guard(mainLock);
    any = !activeContexts.empty() || !pendingContexts.empty();
  }
  if (any) RunUpdateThread();
}

unsigned __stdcall CVSCProtocolHandler::PolicyUpdateThread(void* parameter) {
  std::unique_ptr<UpdateThreadStart> start(static_cast<UpdateThreadStart*>(parameter));
  start->handler->RunUpdate();
  // The handler may go with this reference; the thread touches it no more.
  start.reset();
  CDebugLog::Log(LOG_DEBUG, L"PolicyUpdateThread ended");
  return 0;
}

bool CVSCProtocolHandler::PauseUnlessStopping(DWORD milliseconds) {
  if (IsStopping()) return true;
  if (!stopEvent) {
    Sleep(milliseconds);
    return IsStopping();
  }
  return WaitForSingleObject(stopEvent.get(), milliseconds) != WAIT_TIMEOUT || IsStopping();
}

void CVSCProtocolHandler::LeaveStopping() {
  CDebugLog::Log(LOG_DEBUG, L"PolicyUpdateThread leaves without changes: the program is stopping");
  luma::CRankedMutexObjLock guard(mainLock);
  runState.Abandon();
}

void CVSCProtocolHandler::NoteStep(UpdateStep step) {
  if (stepObserver) stepObserver(step);
}

// Once the run has decided to end (under the main lock) it touches the handler no more: the next
// change may start a new run at once, and the destructor may follow.
void CVSCProtocolHandler::RunUpdate() noexcept {
  try {
    CDebugLog::Log(LOG_DEBUG, L"PolicyUpdateThread started");
    const std::shared_ptr<CVSCDriverMutex> mutex = signalMutex;
    DWORD settle = 0;
    DWORD removalPause = 0;
    {
      luma::CRankedMutexObjLock guard(mainLock);
      settle = settleMilliseconds;
      removalPause = removalPauseMilliseconds;
    }
    if (PauseUnlessStopping(settle)) return LeaveStopping();

    CDebugLog::Log(LOG_DEBUG, L"Destroying VSC mutex to make sure we have no virtual smart card inserted");
    const bool mutexExisted = mutex && mutex->Destroy();
    {
      luma::CRankedMutexObjLock guard(mainLock);
      NoteStep(mutexExisted ? UpdateStep::kMutexDestroyed : UpdateStep::kMutexWasAbsent);
    }

    for (;;) {
      std::vector<CCertContext> toAdd;
      bool anyActive = false;
      {
        luma::CRankedMutexObjLock guard(mainLock);
        // The shut-down cleans the stores itself once this thread has ended.
        if (IsStopping()) return LeaveStopping();
        CDebugLog::Log(LOG_DEBUG, L"Acquired lock for certificate update");
        toAdd = Missing(pendingContexts, activeContexts);
        const std::vector<CCertContext> toRemove = Missing(activeContexts, pendingContexts);
        CDebugLog::Log(LOG_DEBUG, L"Removing certificates no longer available");
        RemoveContextsFromCertStore(toRemove);
        CDebugLog::Log(LOG_DEBUG, L"Activating to be activated certificate contexts");
        activeContexts = pendingContexts;
        CDebugLog::Log(LOG_DEBUG, L"Invalidating all open smart card sessions");
        ClearSessions();
        runState.Activated();
        anyActive = !activeContexts.empty();
        ++updatePasses;
        NoteStep(UpdateStep::kActivated);
      }
      if (anyActive && mutexExisted) {
        CDebugLog::Log(LOG_DEBUG, L"Waiting for %dms to ensure the virtual reader executed the removal",
                       static_cast<int>(removalPause));
        {
          luma::CRankedMutexObjLock guard(mainLock);
          NoteStep(UpdateStep::kRemovalPause);
        }
        if (PauseUnlessStopping(removalPause)) return LeaveStopping();
      }
      {
        luma::CRankedMutexObjLock guard(mainLock);
        if (IsStopping()) return LeaveStopping();
        CDebugLog::Log(LOG_DEBUG, L"Adding newly added certificates to store");
        AddContextsToCertStore(toAdd);
        NoteStep(UpdateStep::kStoreUpdated);
        if (!runState.FinishPass()) {
          // The decision to end and the signal are one step: a change after it starts a new run.
          if (anyActive) {
            CDebugLog::Log(LOG_DEBUG, L"Creating VSC mutex to signal available certificates");
            if (mutex && !IsStopping()) mutex->Create();
            NoteStep(UpdateStep::kMutexCreated);
          } else {
            CDebugLog::Log(LOG_DEBUG, L"No VSC mutex created as we have no certificates");
            NoteStep(UpdateStep::kNoMutexCreated);
          }
          return;
        }
      }
      CDebugLog::Log(LOG_DEBUG, L"Another update was requested while thread is still active");
    }
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"PolicyUpdateThread failed");
    try {
      luma::CRankedMutexObjLock guard(mainLock);
      runState.Abandon();
    } catch (...) {
    }
  }
}
