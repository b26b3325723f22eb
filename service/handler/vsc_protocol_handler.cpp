#include "service/handler/vsc_protocol_handler.h"

#include <utility>

#include "foundation/core/string_utils.h"
#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "policy/core/auth_type.h"
#include "service/core/cert_store_target.h"
#include "service/core/service_text_ids.h"

namespace {

// A handle of the same thread that can only be waited on; empty for none or on failure.
luma::CKernelHandle DuplicateSynchronize(HANDLE thread) {
  HANDLE copy = nullptr;
  if (thread != nullptr)
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
  return luma::CKernelHandle(copy);
}

constexpr DWORD kStatusNotAllowed = 0x8010006A;
constexpr DWORD kStatusNeedsAuthentication = 0x8010006E;

BOOL WriteStoreProperty(PCCERT_CONTEXT certificate, DWORD propertyId, DWORD flags, const void* data) {
  return CertSetCertificateContextProperty(certificate, propertyId, flags, data);
}

}  // namespace

CVSCProtocolHandler::CVSCProtocolHandler(std::shared_ptr<CVSCDriverMutex> signalMutex,
                                         std::unique_ptr<CCertStoreConfig> profiles,
                                         std::shared_ptr<CMessageEncryption> exchangeKey)
    : signalMutex(std::move(signalMutex)),
      appProfiles(profiles ? std::move(profiles) : std::make_unique<CCertStoreConfig>()),
      propertyWriter(WriteStoreProperty) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::CVSCProtocolHandler");
  stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  authenticationMutex.reset(CreateMutexW(nullptr, FALSE, nullptr));
  dataExchangeKey = exchangeKey ? std::move(exchangeKey) : std::make_shared<CMessageEncryption>();
  computerName = luma::GetLocalComputerName();
}

CVSCProtocolHandler::~CVSCProtocolHandler() {
  Shutdown();
  try {
    // Left to here when the update thread outlived the shut-down's wait: it has ended now (it held
    // a reference), so no notification can be waiting for the main lock any more.
    DetachFromProviders();
  } catch (...) {
    // A destructor lets nothing escape.
  }
}

bool CVSCProtocolHandler::Shutdown() noexcept {
  try {
    luma::CKernelHandle update;
    std::vector<luma::CKernelHandle> workers;
    {
      // Only the thread lock: a hung update thread may hold the main lock for ever.
      CMutexObjLock guard(threadsLock);
      if (shutdownStarted) return shutdownClean;
      shutdownStarted = true;
      stopping = true;  // no update run and no worker starts from here on
      update = DuplicateSynchronize(updateThread.get());
      for (const auto& [id, worker] : workerThreads) {
        luma::CKernelHandle copy = DuplicateSynchronize(worker.get());
        if (copy) workers.push_back(std::move(copy));
      }
    }
    CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::Shutdown");
    if (stopEvent) SetEvent(stopEvent.get());
    try {
      OnShutdown();
    } catch (...) {
      CDebugLog::Log(LOG_ERROR, L"The interactive part of the handler failed to stop");
    }
    remoteCalls->Abort();
    if (signalMutex) signalMutex->Destroy();
    ClearSessions();

    const bool updateEnded = WaitForUpdateThreadToEnd(std::move(update));
    const size_t workersLeft = WaitForWorkersToEnd(std::move(workers));
    if (workersLeft != 0) {
      CDebugLog::Log(LOG_ERROR,
                     L"%u request workers did not end within %u ms; they are left to the end of the process",
                     static_cast<unsigned>(workersLeft), static_cast<unsigned>(kWorkerStopMilliseconds));
    }
    if (!updateEnded) {
      // It may hold the main lock and be writing a store: whatever needs either must not run now.
      CDebugLog::Log(
          LOG_ERROR,
          L"PolicyUpdateThread did not end within %u ms; it is left to the end of the process, and "
          L"the card's certificates stay in the certificate stores",
          static_cast<unsigned>(kUpdateThreadStopMilliseconds));
      CMutexObjLock guard(threadsLock);
      shutdownClean = false;
      return false;
    }
    // A run that ended just now may have put the card back in.
    if (signalMutex) signalMutex->Destroy();
    DetachFromProviders();
    {
      luma::CRankedMutexObjLock guard(mainLock);
      // Each certificate leaves the store of the provider recorded with it.
      RemoveContextsFromCertStore(activeContexts);
      runState.Abandon();
    }
    CleanupCertStore();
    CMutexObjLock guard(threadsLock);
    shutdownClean = workersLeft == 0;
    return shutdownClean;
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The protocol handler did not stop cleanly");
    return false;
  }
}

bool CVSCProtocolHandler::WaitForUpdateThreadToEnd(luma::CKernelHandle thread) {
  if (!thread) return true;
  // The update thread may drop the last reference itself and run the shut-down from the destructor.
  if (GetThreadId(thread.get()) == GetCurrentThreadId()) return true;
  return WaitForSingleObject(thread.get(), kUpdateThreadStopMilliseconds) == WAIT_OBJECT_0;
}

size_t CVSCProtocolHandler::WaitForWorkersToEnd(std::vector<luma::CKernelHandle> workers) {
  const ULONGLONG deadline = GetTickCount64() + kWorkerStopMilliseconds;
  size_t left = 0;
  for (const luma::CKernelHandle& worker : workers) {
    if (GetThreadId(worker.get()) == GetCurrentThreadId()) continue;  // a worker ending the handler
    const ULONGLONG now = GetTickCount64();
    const DWORD wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (WaitForSingleObject(worker.get(), wait) != WAIT_OBJECT_0) ++left;
  }
  return left;
}

void CVSCProtocolHandler::DetachFromProviders() {
  {
    CMutexObjLock guard(threadsLock);
    if (detachedFromProviders) return;
    detachedFromProviders = true;
  }
  // Outside the main lock: a removal waits for a notification in flight, which takes it.
  for (const std::shared_ptr<CProviderContext>& context : GetProviderContexts())
    context->RemoveObserver(this);
}

// --- Set-up ------------------------------------------------------------------------------------

void CVSCProtocolHandler::AddProviderContext(const std::shared_ptr<CProviderContext>& context) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::AddProviderContext");
  if (!context) return;
  CMutexObjLock guard(configLock);
  providerContexts[context->config.name] = context;
}

void CVSCProtocolHandler::AddExcludedProcess(const std::wstring& processPath) {
  CMutexObjLock guard(configLock);
  localBlackList.insert(luma::ToUpperCase(processPath));
}

void CVSCProtocolHandler::AddExcludedRemoteProcess(const std::wstring& processPath) {
  CMutexObjLock guard(configLock);
  remoteBlackList.insert(luma::ToUpperCase(processPath));
}

void CVSCProtocolHandler::SetFriendlyNamePrefix(const std::wstring& prefix) {
  CMutexObjLock guard(configLock);
  friendlyNamePrefix = prefix;
}

std::wstring CVSCProtocolHandler::GetFriendlyNamePrefix() const {
  CMutexObjLock guard(configLock);
  return friendlyNamePrefix;
}

std::wstring CVSCProtocolHandler::GetComputerName() const {
  CMutexObjLock guard(configLock);
  return computerName;
}

std::wstring CVSCProtocolHandler::FriendlyNameOf(const CProviderContext& provider,
                                                 const CCertificatePolicy& certificate) const {
  return luma::service::FriendlyNamePrefixText(provider.config.FriendlyNamePrefix, GetFriendlyNamePrefix()) +
         certificate.friendlyName;
}

bool CVSCProtocolHandler::IsBlackListed(const std::wstring& processPath, bool local) const {
  CMutexObjLock guard(configLock);
  const std::set<std::wstring>& list = local ? localBlackList : remoteBlackList;
  return !list.empty() && list.count(luma::ToUpperCase(processPath)) != 0;
}

// --- Lookups -----------------------------------------------------------------------------------

std::vector<std::shared_ptr<CProviderContext>> CVSCProtocolHandler::GetProviderContexts() const {
  std::vector<std::shared_ptr<CProviderContext>> contexts;
  CMutexObjLock guard(configLock);
  for (const auto& [name, context] : providerContexts) contexts.push_back(context);
  return contexts;
}

std::shared_ptr<CProviderContext> CVSCProtocolHandler::GetProviderContext(
    const std::wstring& providerName) const {
  CMutexObjLock guard(configLock);
  auto found = providerContexts.find(providerName);
  return found == providerContexts.end() ? nullptr : found->second;
}

// The contexts are asked outside the map's lock: FindPolicy takes each context's own lock.
bool CVSCProtocolHandler::FindProviderContext(const std::wstring& accountKey,
                                              std::shared_ptr<CProviderContext>& context,
                                              std::shared_ptr<CPolicy>& policy) {
  for (const std::shared_ptr<CProviderContext>& candidate : GetProviderContexts()) {
    CPolicyPtr found;
    if (candidate->FindPolicy(accountKey, found)) {
      context = candidate;
      policy = found;
      return true;
    }
  }
  return false;
}

bool CVSCProtocolHandler::LookupCertContextByIndex(DWORD index, CCertContext& out) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::LookupCertContextByIndex %d", static_cast<int>(index));
  luma::CRankedMutexObjLock guard(mainLock);
  if (index >= activeContexts.size()) return false;
  out = activeContexts[index];
  return true;
}

bool CVSCProtocolHandler::LookupCertContextByContainerName(const std::wstring& containerName,
                                                           CCertContext& out) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::LookupCertContextByContainerName %s",
                 containerName.c_str());
  luma::CRankedMutexObjLock guard(mainLock);
  for (const CCertContext& context : activeContexts) {
    if (context.certificatePolicy && context.certificatePolicy->containerName == containerName) {
      out = context;
      return true;
    }
  }
  return false;
}

bool CVSCProtocolHandler::LookupCertContextByAlias(const std::wstring& alias, CCertContext& out) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::LookupCertContextByAlias %s", alias.c_str());
  luma::CRankedMutexObjLock guard(mainLock);
  for (const CCertContext& context : activeContexts) {
    if (context.certificatePolicy && context.certificatePolicy->alias == alias) {
      out = context;
      return true;
    }
  }
  return false;
}

std::vector<CCertContext> CVSCProtocolHandler::GetActiveContexts() {
  luma::CRankedMutexObjLock guard(mainLock);
  return activeContexts;
}

std::vector<CCertContext> CVSCProtocolHandler::GetPendingContexts() {
  luma::CRankedMutexObjLock guard(mainLock);
  return pendingContexts;
}

// --- Admission and authentication --------------------------------------------------------------

bool CVSCProtocolHandler::IsAllowedRequest(const std::shared_ptr<CAuthContext>& context,
                                           const CSessionRequest& request) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::IsAllowedRequest");
  if (!context || !context->policy || !context->certificatePolicy || !context->providerContext) return false;
  if (!context->policy->constraints.IsDomainAllowed()) {
    CDebugLog::Log(LOG_ERROR, L"Policy is not in allowed domain");
    return false;
  }
  if (!context->policy->constraints.IsHostAllowed()) {
    CDebugLog::Log(LOG_ERROR, L"Policy is not on allowed host");
    return false;
  }
  VirtualSmartCardProtocol::CVirtualSmartCardSession session;
  if (!GetSession(request, session)) return false;
  const std::wstring processPath = session.GetProcessPath();
  if (!context->certificatePolicy->constraints.IsProcessAllowed(processPath)) {
    CDebugLog::Log(LOG_ERROR, L"Certificate is not allowed for requested process %s", processPath.c_str());
    ShowError(*context,
              luma::FormatResourceString(luma::service::kStrProcessNotAuthorized, processPath.c_str()));
    return false;
  }
  const std::shared_ptr<CAuthConfig> method = context->providerContext->config.GetAuthConfig();
  if (method && method->type == AUTH_TYPE_KERBEROS &&
      luma::service::IsLocalSession(session.GetComputerName(), GetComputerName()) &&
      luma::service::EndsWithLsass(processPath)) {
    CDebugLog::Log(LOG_WARNING,
                   L"Local lsass.exe process not allowed for a provider that uses Kerberos authentication");
    return false;
  }
  return true;
}

void CVSCProtocolHandler::ShowError(const CAuthContext& /*context*/, const std::wstring& /*message*/) {}

DWORD CVSCProtocolHandler::Authenticate(const CCertContext& context, const CSessionRequest& request,
                                        CAuthResult& result) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::Authenticate");
  result.Clear();
  auto authContext =
      std::make_shared<CAuthContext>(context.providerContext, context.policy, context.certificatePolicy);
  if (!IsAllowedRequest(authContext, request)) {
    CDebugLog::Log(LOG_ERROR, L"Request is not allowed by policy");
    return kStatusNotAllowed;
  }
  const std::shared_ptr<CAuthConfig> method =
      context.providerContext ? context.providerContext->config.GetAuthConfig() : nullptr;
  if (method && method->interactive) {
    CDebugLog::Log(LOG_ERROR, L"Certificate requires explicit authentication");
    return kStatusNeedsAuthentication;
  }
  return 0;
}

bool CVSCProtocolHandler::IsCertificateEnabled(const std::shared_ptr<CCertificatePolicy>& certificate) {
  return certificate && certificate->enabled;
}

// --- Worker threads ----------------------------------------------------------------------------

bool CVSCProtocolHandler::AddWorkerThread(LONG transactionId, luma::CKernelHandle& thread) {
  CMutexObjLock guard(threadsLock);
  if (stopping) return false;
  workerThreads[transactionId] = std::move(thread);
  return true;
}

void CVSCProtocolHandler::RemoveWorkerThread(LONG transactionId) {
  luma::CKernelHandle ended;
  {
    CMutexObjLock guard(threadsLock);
    auto found = workerThreads.find(transactionId);
    if (found == workerThreads.end()) return;
    ended = std::move(found->second);
    workerThreads.erase(found);
  }
}

// --- Test seams --------------------------------------------------------------------------------

void CVSCProtocolHandler::SetUpdateTimingForTesting(DWORD settle, DWORD removalPause) {
  luma::CRankedMutexObjLock guard(mainLock);
  settleMilliseconds = settle;
  removalPauseMilliseconds = removalPause;
}

void CVSCProtocolHandler::SetCertPropertyWriterForTesting(CertPropertyWriter writer) {
  luma::CRankedMutexObjLock guard(mainLock);
  propertyWriter = writer ? std::move(writer) : CertPropertyWriter(WriteStoreProperty);
}

void CVSCProtocolHandler::SetComputerNameForTesting(const std::wstring& name) {
  CMutexObjLock guard(configLock);
  computerName = name;
}

void CVSCProtocolHandler::SetUpdateStepObserverForTesting(std::function<void(UpdateStep)> observer) {
  luma::CRankedMutexObjLock guard(mainLock);
  stepObserver = std::move(observer);
}

bool CVSCProtocolHandler::WaitForUpdateThread(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    luma::CKernelHandle thread;
    bool running = false;
    {
      luma::CRankedMutexObjLock guard(mainLock);
      running = runState.IsRunning();
    }
    if (!running) {
      CMutexObjLock guard(threadsLock);
      if (!updateThread) return true;
      // A copy of the handle: a new run may close the stored one meanwhile.
      thread = DuplicateSynchronize(updateThread.get());
      if (!thread) return false;
    }
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    if (thread) {
      // The run has ended; its thread only logs before it returns.
      return WaitForSingleObject(thread.get(), left) == WAIT_OBJECT_0;
    }
    if (left == 0) return false;
    Sleep(10);
  }
}

int CVSCProtocolHandler::GetUpdatePassCount() {
  luma::CRankedMutexObjLock guard(mainLock);
  return updatePasses;
}
