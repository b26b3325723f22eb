#include "service/handler/vsc_protocol_handler.h"

#include <utility>

#include "foundation/core/string_utils.h"
#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "policy/core/auth_type.h"
#include "service/core/cert_store_target.h"

namespace {

constexpr DWORD kStatusNotAllowed = 0x8010006A;
constexpr DWORD kStatusNeedsAuthentication = 0x8010006E;
constexpr UINT kProcessNotAuthorizedText = 10047;

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
  computerName = GetLocalComputerName();
}

CVSCProtocolHandler::~CVSCProtocolHandler() {
  try {
    CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::~CVSCProtocolHandler");
    if (stopEvent) SetEvent(stopEvent.get());
    {
      // No change may start another run from here on.
      luma::CRankedMutexObjLock guard(mainLock);
      stopping = true;
    }
    if (signalMutex) signalMutex->Destroy();
    ClearSessions();

    HANDLE thread = nullptr;
    {
      luma::CRankedMutexObjLock guard(mainLock);
      thread = updateThread.get();
    }
    if (thread != nullptr && WaitForSingleObject(thread, kUpdateThreadStopMilliseconds) == WAIT_TIMEOUT) {
      TerminateThread(thread, static_cast<DWORD>(-1));
    }

    // Workers that are about to finish get a short while to leave on their own: a thread terminated
    // while it frees memory or leaves COM can leave the process's heap or loader lock held.
    std::vector<luma::CKernelHandle> running;
    {
      luma::CRankedMutexObjLock guard(mainLock);
      for (auto& [id, worker] : workerThreads) {
        HANDLE copy = nullptr;
        if (worker && DuplicateHandle(GetCurrentProcess(), worker.get(), GetCurrentProcess(), &copy, 0, FALSE,
                                      DUPLICATE_SAME_ACCESS)) {
          running.emplace_back(copy);
        }
      }
    }
    const ULONGLONG deadline = GetTickCount64() + kWorkerStopMilliseconds;
    for (const luma::CKernelHandle& worker : running) {
      const ULONGLONG now = GetTickCount64();
      WaitForSingleObject(worker.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }

    std::vector<std::shared_ptr<CProviderContext>> contexts = GetProviderContexts();
    {
      luma::CRankedMutexObjLock guard(mainLock);
      updateThread.reset();
      for (auto& [id, worker] : workerThreads) {
        if (worker) TerminateThread(worker.get(), static_cast<DWORD>(-1));
      }
      workerThreads.clear();
      for (const std::shared_ptr<CProviderContext>& context : contexts) context->RemoveObserver(this);
      // Each certificate leaves the store of the provider recorded with it.
      RemoveContextsFromCertStore(activeContexts);
      runState.Abandon();
    }
    CleanupCertStore();
  } catch (...) {
    // A destructor lets nothing escape; what was not cleaned stays in the store.
  }
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
    ShowError(*context, FormatResourceString(kProcessNotAuthorizedText, processPath.c_str()));
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

void CVSCProtocolHandler::AddWorkerThread(LONG transactionId, luma::CKernelHandle thread) {
  luma::CRankedMutexObjLock guard(mainLock);
  workerThreads[transactionId] = std::move(thread);
}

void CVSCProtocolHandler::RemoveWorkerThread(LONG transactionId) {
  luma::CRankedMutexObjLock guard(mainLock);
  workerThreads.erase(transactionId);
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
    {
      luma::CRankedMutexObjLock guard(mainLock);
      if (!runState.IsRunning()) {
        if (!updateThread) return true;
        // A copy of the handle: a new run may close the stored one meanwhile.
        HANDLE copy = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), updateThread.get(), GetCurrentProcess(), &copy, SYNCHRONIZE,
                             FALSE, 0)) {
          return false;
        }
        thread.reset(copy);
      }
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
