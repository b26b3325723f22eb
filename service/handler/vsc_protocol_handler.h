// The server side of lumaPassV's pipe protocol and the owner of the virtual smart card's
// certificates. Pipe servers hand it every decoded request; as an observer of every provider's
// policies it turns the accounts' certificate policies into the card's containers and writes their
// certificates into the provider's certificate store on a background thread.
//
// Locks: the main lock (rank luma::LockRank::kHandlerMain) guards the state of the update runs and
// the active and pending certificate lists. The policy observers take it while the provider holds
// its update lock, so no code may load, add, remove, enable or disable a policy while it holds the
// main lock. The handles of the update thread and of the request workers, with the stopping flag,
// have a leaf lock of their own, so that the shut-down never needs the main lock to find the threads
// it waits for. The provider-context map and the black lists have a leaf lock of their own too,
// because pipe servers already run while the start-up fills them.
//
// End of life: the owner calls Shutdown() before it lets the handler go (the destructor calls it
// too, for owners that did not). Shutdown stops new work, wakes and aborts what runs, waits a bounded
// time for the threads and cleans the stores. The update thread and the request workers hold the
// handler through shared pointers, so a thread that does not end in time is left to the end of the
// process without running on a destroyed handler; clean-up that would need its locks is skipped.
#ifndef LUMA_SERVICE_HANDLER_VSC_PROTOCOL_HANDLER_H_
#define LUMA_SERVICE_HANDLER_VSC_PROTOCOL_HANDLER_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/core/lock_order.h"
#include "foundation/core/vsc_endpoint_handler.h"
#include "foundation/win/unique_handle.h"
#include "policy/account/cert_store_profiles.h"
#include "policy/account/policy_observer.h"
#include "policy/account/provider_context.h"
#include "service/account/cert_context.h"
#include "service/auth/auth_context.h"
#include "service/auth/auth_result.h"
#include "service/core/update_run_state.h"
#include "service/core/worker_slots.h"
#include "service/exchange/message_encryption.h"
#include "service/pins/session_pin_cache.h"
#include "service/pipe/vsc_driver_mutex.h"
#include "service/soap/call_abort.h"

// Writes one certificate context property; the same contract as CertSetCertificateContextProperty.
using CertPropertyWriter =
    std::function<BOOL(PCCERT_CONTEXT certificate, DWORD propertyId, DWORD flags, const void* data)>;

class CVSCProtocolHandler : public VirtualSmartCardProtocol::CVirtualSmartCardProtocolEndpointHandler,
                            public CPolicyObserver,
                            public std::enable_shared_from_this<CVSCProtocolHandler> {
 public:
  using CSessionRequest = VirtualSmartCardProtocol::CSessionRequest;

  static constexpr const wchar_t* kDefaultFriendlyNamePrefix = L"[luma-Pass] ";
  // Changes that arrive within this time join one update run.
  static constexpr DWORD kUpdateSettleMilliseconds = 1000;
  // Between taking the card out and putting it back in, so that the reader notices the removal.
  static constexpr DWORD kRemovalPauseMilliseconds = 2500;
  // How long the shut-down waits for the update thread, then for all request workers together.
  static constexpr DWORD kUpdateThreadStopMilliseconds = 5000;
  static constexpr DWORD kWorkerStopMilliseconds = 2000;
  // Transacted requests running at once; one more is answered at once with the worker failure.
  static constexpr std::size_t kMaxTransactedWorkers = 64;

  // What the update thread did, for tests that check the order of its steps.
  enum class UpdateStep {
    kMutexDestroyed,  // the card was taken out (the signal mutex had existed)
    kMutexWasAbsent,  // no card was in the reader
    kActivated,       // one pass made the pending list the active one
    kRemovalPause,    // waited for the reader to notice the removal
    kStoreUpdated,    // one pass wrote the new certificates
    kMutexCreated,    // the card was put back in
    kNoMutexCreated,  // no certificates: the card stays out
  };

  // profiles and exchangeKey: null for the user's own (the registry's application profiles and the
  // per-user data exchange key); tests pass their own.
  explicit CVSCProtocolHandler(std::shared_ptr<CVSCDriverMutex> signalMutex,
                               std::unique_ptr<CCertStoreConfig> profiles = nullptr,
                               std::shared_ptr<CMessageEncryption> exchangeKey = nullptr);
  // Runs Shutdown() when the owner did not, then removes the handler from the providers' observers.
  ~CVSCProtocolHandler() override;
  CVSCProtocolHandler(const CVSCProtocolHandler&) = delete;
  CVSCProtocolHandler& operator=(const CVSCProtocolHandler&) = delete;

  // Ends the handler's work, in this order: no new update run or worker starts; the stop event is
  // set; OnShutdown(); the remote calls in flight are aborted; the card leaves the reader and every
  // pipe session ends; the update thread gets kUpdateThreadStopMilliseconds and the workers
  // kWorkerStopMilliseconds to end; the handler leaves the providers' observers; the active
  // certificates leave the stores and each provider's store is cleaned by prefix. When the update
  // thread has not ended, the last three steps wait for the destructor or are skipped (logged).
  // True when every thread ended. Only the first call works; never throws.
  bool Shutdown() noexcept;
  bool IsStopping() const { return stopping.load(); }

  // --- Set-up by the start-up -------------------------------------------------------------------

  // Stores the context under its provider name, replacing one of the same name. The caller then
  // registers the handler as its observer and loads its policies (never under the main lock).
  void AddProviderContext(const std::shared_ptr<CProviderContext>& context);
  // Process paths whose sessions from this computer (or from others) see no certificates.
  void AddExcludedProcess(const std::wstring& processPath);
  void AddExcludedRemoteProcess(const std::wstring& processPath);
  void SetFriendlyNamePrefix(const std::wstring& prefix);
  std::wstring GetFriendlyNamePrefix() const;

  // --- Lookups ------------------------------------------------------------------------------------

  // The first provider context, in name order, that holds the account (key compared without regard
  // to ASCII case), with the account's policy.
  bool FindProviderContext(const std::wstring& accountKey, std::shared_ptr<CProviderContext>& context,
                           std::shared_ptr<CPolicy>& policy);
  // The context stored under the provider name (exact); null when none.
  std::shared_ptr<CProviderContext> GetProviderContext(const std::wstring& providerName) const;
  // Every provider context in name order.
  std::vector<std::shared_ptr<CProviderContext>> GetProviderContexts() const;
  // Copies of the active contexts: the container of the index, or the first one whose certificate
  // policy has the container name or alias (exact comparison).
  bool LookupCertContextByIndex(DWORD index, CCertContext& out);
  bool LookupCertContextByContainerName(const std::wstring& containerName, CCertContext& out);
  bool LookupCertContextByAlias(const std::wstring& alias, CCertContext& out);
  // Copies of the lists, in their order.
  std::vector<CCertContext> GetActiveContexts();
  std::vector<CCertContext> GetPendingContexts();

  // --- Requests answered here -------------------------------------------------------------------

  bool handle(const VirtualSmartCardProtocol::COpenSessionRequest& request,
              VirtualSmartCardProtocol::COpenSessionResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetContainerInfoRequest& request,
              VirtualSmartCardProtocol::CGetContainerInfoResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetCertStoreInfoRequest& request,
              VirtualSmartCardProtocol::CGetCertStoreInfoResponse& response) override;
  using VirtualSmartCardProtocol::CVirtualSmartCardProtocolEndpointHandler::handle;

  // Signatures and decryptions, and the provider, account, certificate and PIN requests. The
  // transacted ones answer at once with status 21 and their transaction number; a worker thread
  // of their own stores the final answer (transacted_calls.cpp).
  bool handle(const VirtualSmartCardProtocol::CSignDataRequest& request,
              VirtualSmartCardProtocol::CSignDataResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CDecryptDataRequest& request,
              VirtualSmartCardProtocol::CDecryptDataResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CAddAccountRequest& request,
              VirtualSmartCardProtocol::CAddAccountResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CRefreshAccountRequest& request,
              VirtualSmartCardProtocol::CRefreshAccountResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetAccountAuthStateRequest& request,
              VirtualSmartCardProtocol::CGetAccountAuthStateResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CAuthenticateAccountRequest& request,
              VirtualSmartCardProtocol::CAuthenticateAccountResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CValidatePINRequest& request,
              VirtualSmartCardProtocol::CValidatePINResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CChangePINRequest& request,
              VirtualSmartCardProtocol::CChangePINResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetProvidersRequest& request,
              VirtualSmartCardProtocol::CGetProvidersResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetProviderInfoRequest& request,
              VirtualSmartCardProtocol::CGetProviderInfoResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetAccountsRequest& request,
              VirtualSmartCardProtocol::CGetAccountsResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetAccountInfoRequest& request,
              VirtualSmartCardProtocol::CGetAccountInfoResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CDeleteAccountRequest& request,
              VirtualSmartCardProtocol::CDeleteAccountResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CDeauthenticateAccountRequest& request,
              VirtualSmartCardProtocol::CDeauthenticateAccountResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetCertificatesRequest& request,
              VirtualSmartCardProtocol::CGetCertificatesResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetCertificateInfoRequest& request,
              VirtualSmartCardProtocol::CGetCertificateInfoResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CDeauthenticatePINRequest& request,
              VirtualSmartCardProtocol::CDeauthenticatePINResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CGetExternalValidatedPINRequest& request,
              VirtualSmartCardProtocol::CGetExternalValidatedPINResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CAuthenticateSessionPINRequest& request,
              VirtualSmartCardProtocol::CAuthenticateSessionPINResponse& response) override;
  bool handle(const VirtualSmartCardProtocol::CAuthenticatePINRequest& request,
              VirtualSmartCardProtocol::CAuthenticatePINResponse& response) override;

  // The workers of the transacted requests, run on their threads; each sets the final status.
  void handleTransactedCall(const VirtualSmartCardProtocol::CSignDataRequest& request,
                            VirtualSmartCardProtocol::CSignDataResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CDecryptDataRequest& request,
                            VirtualSmartCardProtocol::CDecryptDataResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CAddAccountRequest& request,
                            VirtualSmartCardProtocol::CAddAccountResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CRefreshAccountRequest& request,
                            VirtualSmartCardProtocol::CRefreshAccountResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CGetAccountAuthStateRequest& request,
                            VirtualSmartCardProtocol::CGetAccountAuthStateResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CAuthenticateAccountRequest& request,
                            VirtualSmartCardProtocol::CAuthenticateAccountResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CValidatePINRequest& request,
                            VirtualSmartCardProtocol::CValidatePINResponse& response);
  void handleTransactedCall(const VirtualSmartCardProtocol::CChangePINRequest& request,
                            VirtualSmartCardProtocol::CChangePINResponse& response);

  // --- Admission and authentication ---------------------------------------------------------------

  // Whether the request's session may use the context's certificate: the policy's domain and host,
  // the certificate's process constraints, and no local lsass.exe for a Kerberos provider.
  virtual bool IsAllowedRequest(const std::shared_ptr<CAuthContext>& context, const CSessionRequest& request);
  // Shows an error to the user; nothing in this class.
  virtual void ShowError(const CAuthContext& context, const std::wstring& message);
  // 0 when the request may use the certificate's key; else the status the request answers with.
  // This class never asks the user: 0x8010006A when not allowed, 0x8010006E for a provider that
  // needs explicit authentication.
  virtual DWORD Authenticate(const CCertContext& context, const CSessionRequest& request,
                             CAuthResult& result);
  virtual bool IsCertificateEnabled(const std::shared_ptr<CCertificatePolicy>& certificate);

  // --- Provisioning -------------------------------------------------------------------------------

  void PolicyAdded(const CPolicyPtr& policy) override;
  void PolicyRemoved(const CPolicyPtr& policy) override;
  void PolicyUpdated(const CPolicyPtr& policy) override;

  // Starts the update thread, or asks the running one for another pass.
  void RunUpdateThread();
  // Runs the update again when the card has or will have certificates (session switches).
  void ReprovisionAllPolicies();
  // Writes the certificates, with their key provider, names and marks, into their target stores.
  void AddToCertStore(const std::vector<CCertificatePolicyPtr>& certificates);
  void RemoveFromCertStore(const std::vector<CCertificatePolicyPtr>& certificates);
  // Deletes from each provider's target store every certificate named with the provider's prefix.
  void CleanupCertStore();

  // --- Shared with the request workers ----------------------------------------------------------

  std::shared_ptr<CMessageEncryption> GetDataExchangeKey() const { return dataExchangeKey; }
  std::shared_ptr<CVSCDriverMutex> GetSignalMutex() const { return signalMutex; }
  CSessionPINCache& SessionPins() { return sessionPinCache; }
  std::wstring GetComputerName() const;
  CCertStoreConfig& AppProfiles() { return *appProfiles; }
  // Lets one interactive authentication run at a time; the stop event is set by Shutdown.
  HANDLE AuthenticationMutex() const { return authenticationMutex.get(); }
  HANDLE StopEvent() const { return stopEvent.get(); }
  // The remote calls of the request workers; Shutdown aborts them.
  std::shared_ptr<luma::service::CCallAbort> RemoteCalls() const { return remoteCalls; }
  // The friendly name a certificate is written with: the provider's prefix and a blank, or the
  // program's prefix, then the certificate's own name.
  std::wstring FriendlyNameOf(const CProviderContext& provider, const CCertificatePolicy& certificate) const;
  // The worker threads of transacted requests, which Shutdown waits for; the list takes the handle.
  // False, leaving the handle to the caller, once the handler is stopping: the worker then runs
  // unlisted, on its own reference.
  bool AddWorkerThread(LONG transactionId, luma::CKernelHandle& thread);
  // Closes and forgets the worker's handle.
  void RemoveWorkerThread(LONG transactionId);
  luma::service::CWorkerSlots& WorkerSlots() { return workerSlots; }

  // --- Test seams ----------------------------------------------------------------------------------

  void SetUpdateTimingForTesting(DWORD settleMilliseconds, DWORD removalPauseMilliseconds);
  void SetCertPropertyWriterForTesting(CertPropertyWriter writer);
  void SetComputerNameForTesting(const std::wstring& name);
  void SetUpdateStepObserverForTesting(std::function<void(UpdateStep)> observer);
  // Waits until no update run is in progress; false on timeout.
  bool WaitForUpdateThread(DWORD milliseconds);
  // Passes made by all update runs so far.
  int GetUpdatePassCount();

 protected:
  // Called by Shutdown right after the stop event is set, before it waits for any thread: a
  // subclass wakes what its threads wait for (its dialogs, the authentication mutex). It runs while
  // the whole object still exists when the owner calls Shutdown; a subclass whose threads use its
  // own members also calls Shutdown() first in its own destructor. Exceptions are logged and dropped.
  virtual void OnShutdown() {}

  // Guards the update runs' state and both certificate lists.
  luma::CRankedMutexObj mainLock{luma::LockRank::kHandlerMain};

 private:
  static unsigned __stdcall PolicyUpdateThread(void* start);
  // Waits for the update run; true when it has ended.
  bool WaitForUpdateThreadToEnd(luma::CKernelHandle thread);
  // Waits for the workers until the deadline; the number still running.
  size_t WaitForWorkersToEnd(std::vector<luma::CKernelHandle> workers);
  // Leaves every provider's observers (waiting out a notification in flight); once.
  void DetachFromProviders();
  // Waits on the stop event instead of sleeping; true when the handler is stopping.
  bool PauseUnlessStopping(DWORD milliseconds);
  void RunUpdate() noexcept;
  // Ends a run that saw the handler stopping, without writing anything.
  void LeaveStopping();
  void NoteStep(UpdateStep step);
  // Under the main lock.
  void SortPending();
  void RemovePendingOfAccount(const std::wstring& accountKey, bool logEach);
  bool IsBlackListed(const std::wstring& processPath, bool local) const;
  // The certificate's provider, found by its account; logs and returns null when none holds it.
  std::shared_ptr<CProviderContext> ProviderOfCertificate(const CCertificatePolicy& certificate);
  void AddContextsToCertStore(const std::vector<CCertContext>& contexts);
  void RemoveContextsFromCertStore(const std::vector<CCertContext>& contexts);
  void WriteToStore(const CProviderContext& provider, const CCertificatePolicy& certificate);
  void DeleteFromStore(const CProviderContext& provider, const CCertificatePolicy& certificate);
  BOOL SetProperty(PCCERT_CONTEXT certificate, DWORD propertyId, DWORD flags, const void* data);
  // The account a scoped request names, after the session check; false once the answer is made.
  bool FindAccountOfRequest(const VirtualSmartCardProtocol::CBaseScopedRequest& request,
                            VirtualSmartCardProtocol::CBaseErrorMessageResponse& response,
                            std::shared_ptr<CProviderContext>& context, std::shared_ptr<CPolicy>& policy);

  // Guarded by mainLock.
  // Whether a run is in progress, has activated its list, owes another pass. A run ends in the
  // step, under the main lock, in which it decides to: a later change starts a new run.
  luma::service::CUpdateRunState runState;
  int updatePasses = 0;
  std::vector<CCertContext> activeContexts;
  std::vector<CCertContext> pendingContexts;

  // Guarded by threadsLock (a leaf lock); stopping is also read without it.
  mutable CMutexObj threadsLock;
  luma::CKernelHandle updateThread;
  std::map<LONG, luma::CKernelHandle> workerThreads;
  std::atomic<bool> stopping{false};
  bool shutdownStarted = false;
  bool shutdownClean = true;
  bool detachedFromProviders = false;
  luma::service::CWorkerSlots workerSlots{L"concurrent request workers", kMaxTransactedWorkers};

  CSessionPINCache sessionPinCache;
  std::shared_ptr<CVSCDriverMutex> signalMutex;

  // Guarded by configLock (a leaf lock).
  mutable CMutexObj configLock;
  std::map<std::wstring, std::shared_ptr<CProviderContext>> providerContexts;
  std::set<std::wstring> localBlackList;
  std::set<std::wstring> remoteBlackList;
  std::wstring friendlyNamePrefix = kDefaultFriendlyNamePrefix;
  std::wstring computerName;

  std::shared_ptr<CMessageEncryption> dataExchangeKey;
  std::unique_ptr<CCertStoreConfig> appProfiles;
  luma::CKernelHandle stopEvent;
  luma::CKernelHandle authenticationMutex;
  std::shared_ptr<luma::service::CCallAbort> remoteCalls = std::make_shared<luma::service::CCallAbort>();

  // Test seams; set before any update runs.
  DWORD settleMilliseconds = kUpdateSettleMilliseconds;
  DWORD removalPauseMilliseconds = kRemovalPauseMilliseconds;
  CertPropertyWriter propertyWriter;
  std::function<void(UpdateStep)> stepObserver;
};

#endif  // LUMA_SERVICE_HANDLER_VSC_PROTOCOL_HANDLER_H_
