// One provider as the program keeps it at run time: its configuration, the signed policies of the
// user's accounts there, its trusted policy signers, its PIN and token caches, the bookkeeping of
// automatic provisioning and refresh, and the observers told of every policy change.
//
// Locks: the policy list's update lock serialises whole changes (load, add, remove, enable) so that
// two threads adding one account cannot store it twice; lock guards the lists and flags for single
// steps. Observers are called under the update lock only, never under lock; a removed observer is
// called no more once RemoveObserver has returned. Order: the update lock,
// then the protocol handler's main lock (taken by observers), then lock, then a cache's lock. So
// LoadPolicies, AddPolicy, AddEncodedPolicy, RemovePolicy and SetCertificateEnabled must never be
// called while the caller holds the main lock (see CPolicyObserver); checked builds report it when
// the main lock is a luma::CRankedMutexObj of rank luma::LockRank::kHandlerMain.
#ifndef LUMA_POLICY_ACCOUNT_PROVIDER_CONTEXT_H_
#define LUMA_POLICY_ACCOUNT_PROVIDER_CONTEXT_H_

#include <list>
#include <memory>
#include <string>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "policy/account/auth_token_cache.h"
#include "policy/account/pin_cache.h"
#include "policy/account/policy_observer.h"
#include "policy/config/provider_config.h"
#include "policy/core/auto_update_schedule.h"
#include "policy/core/observer_list.h"
#include "policy/core/policy_list.h"
#include "policy/signed/policy.h"

class CProviderContext {
 public:
  // An empty placeholder.
  CProviderContext();
  explicit CProviderContext(const CProviderConfig& providerConfig,
                            luma::CacheClock timeSource = luma::CurrentCacheTime);
  CProviderContext(const CProviderContext&) = delete;
  CProviderContext& operator=(const CProviderContext&) = delete;

  void AddPolicySignerTrusts(const std::list<CSecureBuffer>& certificates);
  // A null observer is ignored; the same observer may be added twice and is then called twice.
  void AddObserver(CPolicyObserver* observer);
  // Removes the first entry of the observer; when none is left, waits until calls to it on other
  // threads have returned, so that its owner may then destroy it. Never call it while holding a lock
  // the observer takes (the protocol handler's main lock).
  void RemoveObserver(CPolicyObserver* observer);

  // Takes the provider's policy files that may be used on this computer; returns how many.
  int LoadPolicies();
  // Verifies and decodes a signed policy without storing it; throws CPolicyException.
  void CreatePolicy(CPolicyPtr& policy, const CSecureBuffer& encoded) const;
  // True when stored as a new entry; false when an equal policy was already stored and kept (its
  // issue date and persistence then follow the new one).
  bool AddPolicy(const CPolicyPtr& policy, bool persist);
  // CreatePolicy, then AddPolicy with persist; policy is the new object either way.
  bool AddEncodedPolicy(CPolicyPtr& policy, const CSecureBuffer& encoded);
  // Logs the account out and removes the stored policy whose userId equals the given one exactly.
  void RemovePolicy(const CPolicy& policy);
  void SetCertificateEnabled(const CCertificatePolicy& certificate, bool enabled);

  // The account's token and its certificates' PINs leave the caches.
  void Logout(const CPolicy& policy);
  void LogoutAll();

  // Account keys compare without regard to ASCII case.
  bool FindPolicy(const std::wstring& accountKey, CPolicyPtr& policy);
  // Appends the stored policies in their order.
  void GetPolicies(std::list<CPolicyPtr>& out);

  bool IsAutoUpdateSuspended() const;
  bool IsAutoProvisionDue();
  bool IsAutoRefreshEnabled();
  bool IsAutoRefreshDue() const;
  void RecordAutoUpdateSuccess();

  // Written only by the automatic update work, read by it and at start-up.
  COleDate lastAutoUpdate;
  DWORD autoUpdateAttempts = 0;

  // Used directly by the authentication and call executors.
  const CProviderConfig config;
  CAuthTokenCache tokenCache;
  CPinCache pinCache;

 private:
  std::shared_ptr<CAuthConfig> AuthConfig() const { return config.GetAuthConfig(); }
  CPolicyList<CPolicy>::Hooks MakeHooks();
  void Notify(PolicyChange change, const CPolicyPtr& policy);

  luma::CacheClock clock;
  CMutexObj lock;
  luma::CObserverList<CPolicyObserver> observers;
  std::list<CSecureBuffer> trustedSigners;
  CPolicyList<CPolicy> policies;
};

using CProviderContextPtr = std::shared_ptr<CProviderContext>;

#endif  // LUMA_POLICY_ACCOUNT_PROVIDER_CONTEXT_H_
