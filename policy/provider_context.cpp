#include "policy/provider_context.h"

#include <algorithm>

#include "foundation/core/string_utils.h"
#include "policy/policy_store.h"

CProviderContext::CProviderContext() : CProviderContext(CProviderConfig()) {}

CProviderContext::CProviderContext(const CProviderConfig& providerConfig, luma::CacheClock timeSource)
    : config(providerConfig), tokenCache(timeSource), pinCache(timeSource), clock(timeSource) {}

void CProviderContext::AddPolicySignerTrusts(const std::list<CSecureBuffer>& certificates) {
  CMutexObjLock guard(lock);
  trustedSigners.insert(trustedSigners.end(), certificates.begin(), certificates.end());
}

void CProviderContext::AddObserver(CPolicyObserver* observer) {
  if (observer == nullptr) return;
  CMutexObjLock guard(lock);
  observers.push_back(observer);
}

void CProviderContext::RemoveObserver(CPolicyObserver* observer) {
  if (observer == nullptr) return;
  CMutexObjLock guard(lock);
  auto found = std::find(observers.begin(), observers.end(), observer);
  if (found != observers.end()) observers.erase(found);
}

std::vector<CPolicyObserver*> CProviderContext::CopyObservers() {
  CMutexObjLock guard(lock);
  return std::vector<CPolicyObserver*>(observers.begin(), observers.end());
}

// Caller holds lock.
void CProviderContext::MarkDisabledCertificates(const CPolicy& policy) {
  for (const CCertificatePolicyPtr& certificate : policy.certificatePolicies) {
    if (IsCertificateDisabled(*certificate)) certificate->enabled = false;
  }
}

int CProviderContext::LoadPolicies() {
  CMutexObjLock update(updateLock);
  std::list<CPolicyPtr> taken;
  {
    CMutexObjLock guard(lock);
    std::list<CPolicyPtr> loaded;
    LoadPolicyFiles(config, trustedSigners, loaded);
    for (const CPolicyPtr& policy : loaded) {
      // A policy for another place stays in its file but not in memory.
      if (!policy->constraints.IsDomainAllowed() || !policy->constraints.IsHostAllowed()) continue;
      policy->persistent = true;
      MarkDisabledCertificates(*policy);
      policies.push_back(policy);
      taken.push_back(policy);
    }
  }
  const std::vector<CPolicyObserver*> toldOnes = CopyObservers();
  for (const CPolicyPtr& policy : taken) {
    for (CPolicyObserver* observer : toldOnes) observer->PolicyAdded(policy);
  }
  return static_cast<int>(taken.size());
}

void CProviderContext::CreatePolicy(CPolicyPtr& policy, const CSecureBuffer& encoded) const {
  // trustedSigners is filled at start-up, before any other thread uses the context.
  policy = std::make_shared<CPolicy>(MakePolicyProviderSettings(config), trustedSigners, encoded);
}

bool CProviderContext::AddPolicy(const CPolicyPtr& policy, bool persist) {
  CMutexObjLock update(updateLock);
  CPolicyPtr existing;
  if (FindPolicy(policy->accountKey, existing)) {
    bool sameThisUpdate = false;
    if (existing->IsSameContent(*policy, sameThisUpdate)) {
      bool save = false;
      bool remove = false;
      {
        CMutexObjLock guard(lock);
        if (persist != existing->persistent) {
          save = persist;
          remove = !persist;
          existing->persistent = persist;
        }
        if (!sameThisUpdate) {
          existing->thisUpdate = policy->thisUpdate;
          save = save || existing->persistent;
        }
      }
      if (remove) DeletePolicyFile(config, *existing);
      if (save) SavePolicyFile(config, *policy);
      return false;
    }
    RemovePolicy(*existing);
  }
  {
    CMutexObjLock guard(lock);
    MarkDisabledCertificates(*policy);
    policy->persistent = persist;
    policies.push_back(policy);
  }
  for (CPolicyObserver* observer : CopyObservers()) observer->PolicyAdded(policy);
  if (persist) SavePolicyFile(config, *policy);
  return true;
}

bool CProviderContext::AddEncodedPolicy(CPolicyPtr& policy, const CSecureBuffer& encoded) {
  CreatePolicy(policy, encoded);
  return AddPolicy(policy, true);
}

void CProviderContext::RemovePolicy(const CPolicy& policy) {
  CMutexObjLock update(updateLock);
  Logout(policy);
  CPolicyPtr removed;
  {
    CMutexObjLock guard(lock);
    auto found = std::find_if(policies.begin(), policies.end(), [&policy](const CPolicyPtr& stored) {
      return stored->userId == policy.userId;
    });
    if (found != policies.end()) {
      removed = *found;
      policies.erase(found);
    }
  }
  if (!removed) return;
  for (CPolicyObserver* observer : CopyObservers()) observer->PolicyRemoved(removed);
  DeletePolicyFile(config, *removed);
}

void CProviderContext::SetCertificateEnabled(const CCertificatePolicy& certificate, bool enabled) {
  CMutexObjLock update(updateLock);
  CPolicyPtr changed;
  {
    CMutexObjLock guard(lock);
    for (const CPolicyPtr& policy : policies) {
      for (const CCertificatePolicyPtr& stored : policy->certificatePolicies) {
        if (stored->enabled != enabled && *stored == certificate) {
          stored->enabled = enabled;
          SetCertificateDisabled(certificate, !enabled);
          changed = policy;
          break;
        }
      }
      if (changed) break;
    }
  }
  if (!changed) return;
  for (CPolicyObserver* observer : CopyObservers()) observer->PolicyUpdated(changed);
}

void CProviderContext::Logout(const CPolicy& policy) {
  CMutexObjLock guard(lock);
  tokenCache.RemoveToken(policy.accountKey);
  for (const CCertificatePolicyPtr& certificate : policy.certificatePolicies)
    pinCache.RemovePin(certificate->alias);
}

void CProviderContext::LogoutAll() {
  CMutexObjLock guard(lock);
  for (const CPolicyPtr& policy : policies) Logout(*policy);
}

bool CProviderContext::FindPolicy(const std::wstring& accountKey, CPolicyPtr& policy) {
  CMutexObjLock guard(lock);
  for (const CPolicyPtr& stored : policies) {
    if (EqualsIgnoreCase(stored->accountKey, accountKey)) {
      policy = stored;
      return true;
    }
  }
  return false;
}

void CProviderContext::GetPolicies(std::list<CPolicyPtr>& out) {
  CMutexObjLock guard(lock);
  out.insert(out.end(), policies.begin(), policies.end());
}

bool CProviderContext::IsAutoUpdateSuspended() const {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  return auth && auth->AutoMaxConsecutiveErrors != 0 && autoUpdateAttempts > auth->AutoMaxConsecutiveErrors;
}

bool CProviderContext::IsAutoProvisionDue() {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  if (!auth || IsAutoUpdateSuspended()) return false;
  const DWORD interval =
      auth->AutoRefreshInterval != 0 ? auth->AutoRefreshInterval : kDefaultAutoProvisionInterval;
  CMutexObjLock guard(lock);
  return policies.empty() && !auth->interactive && auth->AutoProvision &&
         IsIntervalPast(OleDateFromTime(clock()), lastAutoUpdate, interval);
}

bool CProviderContext::IsAutoRefreshEnabled() {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  if (!auth) return false;
  CMutexObjLock guard(lock);
  return !policies.empty() && !auth->interactive && auth->AutoRefresh;
}

bool CProviderContext::IsAutoRefreshDue() const {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  if (!auth || IsAutoUpdateSuspended()) return false;
  return auth->AutoRefresh && auth->AutoRefreshInterval != 0 &&
         IsIntervalPast(OleDateFromTime(clock()), lastAutoUpdate, auth->AutoRefreshInterval);
}

void CProviderContext::RecordAutoUpdateSuccess() {
  lastAutoUpdate = OleDateFromTime(clock());
  autoUpdateAttempts = 0;
}
