#include "policy/account/provider_context.h"

#include <algorithm>
#include <vector>

#include "policy/signed/policy_store.h"

namespace {

// Called under the context's lock.
void MarkDisabledCertificates(CPolicy& policy) {
  for (const CCertificatePolicyPtr& certificate : policy.certificatePolicies) {
    if (luma::policy::IsCertificateDisabled(*certificate)) certificate->enabled = false;
  }
}

}  // namespace

CProviderContext::CProviderContext() : CProviderContext(CProviderConfig()) {}

CProviderContext::CProviderContext(const CProviderConfig& providerConfig, luma::CacheClock timeSource)
    : config(providerConfig),
      tokenCache(timeSource),
      pinCache(timeSource),
      clock(timeSource),
      policies(lock, MakeHooks()) {}

CPolicyList<CPolicy>::Hooks CProviderContext::MakeHooks() {
  CPolicyList<CPolicy>::Hooks hooks;
  hooks.prepare = MarkDisabledCertificates;
  hooks.saveFile = [this](const CPolicy& policy) { luma::policy::SavePolicyFile(config, policy); };
  hooks.deleteFile = [this](const CPolicy& policy) { luma::policy::DeletePolicyFile(config, policy); };
  hooks.logout = [this](const CPolicy& policy) { Logout(policy); };
  hooks.notify = [this](PolicyChange change, const CPolicyPtr& policy) { Notify(change, policy); };
  return hooks;
}

void CProviderContext::AddPolicySignerTrusts(const std::list<CSecureBuffer>& certificates) {
  CMutexObjLock guard(lock);
  trustedSigners.insert(trustedSigners.end(), certificates.begin(), certificates.end());
}

void CProviderContext::AddObserver(CPolicyObserver* observer) { observers.Add(observer); }

void CProviderContext::RemoveObserver(CPolicyObserver* observer) { observers.Remove(observer); }

void CProviderContext::Notify(PolicyChange change, const CPolicyPtr& policy) {
  observers.Notify([&](CPolicyObserver& observer) {
    switch (change) {
      case PolicyChange::kAdded:
        observer.PolicyAdded(policy);
        break;
      case PolicyChange::kRemoved:
        observer.PolicyRemoved(policy);
        break;
      case PolicyChange::kUpdated:
        observer.PolicyUpdated(policy);
        break;
    }
  });
}

int CProviderContext::LoadPolicies() {
  return policies.Load(
      [this](std::list<CPolicyPtr>& loaded) {
        luma::policy::LoadPolicyFiles(config, trustedSigners, loaded);
      },
      [](const CPolicy& policy) {
        // A policy for another place stays in its file but not in memory.
        return policy.constraints.IsDomainAllowed() && policy.constraints.IsHostAllowed();
      });
}

void CProviderContext::CreatePolicy(CPolicyPtr& policy, const CSecureBuffer& encoded) const {
  // trustedSigners is filled at start-up, before any other thread uses the context.
  policy =
      std::make_shared<CPolicy>(luma::policy::MakePolicyProviderSettings(config), trustedSigners, encoded);
}

bool CProviderContext::AddPolicy(const CPolicyPtr& policy, bool persist) {
  return policies.Add(policy, persist);
}

bool CProviderContext::AddEncodedPolicy(CPolicyPtr& policy, const CSecureBuffer& encoded) {
  CreatePolicy(policy, encoded);
  return AddPolicy(policy, true);
}

void CProviderContext::RemovePolicy(const CPolicy& policy) { policies.Remove(policy); }

void CProviderContext::SetCertificateEnabled(const CCertificatePolicy& certificate, bool enabled) {
  policies.ChangeFirst([&certificate, enabled](CPolicy& policy) {
    for (const CCertificatePolicyPtr& stored : policy.certificatePolicies) {
      if (stored->enabled != enabled && *stored == certificate) {
        stored->enabled = enabled;
        luma::policy::SetCertificateDisabled(certificate, !enabled);
        return true;
      }
    }
    return false;
  });
}

void CProviderContext::Logout(const CPolicy& policy) {
  CMutexObjLock guard(lock);
  tokenCache.RemoveToken(policy.accountKey);
  for (const CCertificatePolicyPtr& certificate : policy.certificatePolicies)
    pinCache.RemovePin(certificate->alias);
}

void CProviderContext::LogoutAll() {
  policies.ForEach([this](const CPolicy& policy) { Logout(policy); });
}

bool CProviderContext::FindPolicy(const std::wstring& accountKey, CPolicyPtr& policy) {
  return policies.Find(accountKey, policy);
}

void CProviderContext::GetPolicies(std::list<CPolicyPtr>& out) { policies.GetAll(out); }

bool CProviderContext::IsAutoUpdateSuspended() const {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  return auth && auth->AutoMaxConsecutiveErrors != 0 && autoUpdateAttempts > auth->AutoMaxConsecutiveErrors;
}

bool CProviderContext::IsAutoProvisionDue() {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  if (!auth || IsAutoUpdateSuspended()) return false;
  const DWORD interval = auth->AutoRefreshInterval != 0 ? auth->AutoRefreshInterval
                                                        : luma::policy::kDefaultAutoProvisionInterval;
  return policies.IsEmpty() && !auth->interactive && auth->AutoProvision &&
         luma::policy::IsIntervalPast(luma::policy::OleDateFromTime(clock()), lastAutoUpdate, interval);
}

bool CProviderContext::IsAutoRefreshEnabled() {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  return auth && !policies.IsEmpty() && !auth->interactive && auth->AutoRefresh;
}

bool CProviderContext::IsAutoRefreshDue() const {
  const std::shared_ptr<CAuthConfig> auth = AuthConfig();
  if (!auth || IsAutoUpdateSuspended()) return false;
  return auth->AutoRefresh && auth->AutoRefreshInterval != 0 &&
         luma::policy::IsIntervalPast(luma::policy::OleDateFromTime(clock()), lastAutoUpdate,
                                      auth->AutoRefreshInterval);
}

void CProviderContext::RecordAutoUpdateSuccess() {
  lastAutoUpdate = luma::policy::OleDateFromTime(clock());
  autoUpdateAttempts = 0;
}
