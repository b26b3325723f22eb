#include "service/auth/auth_context.h"

#include <utility>

CAuthContext::CAuthContext()
    : providerContext(std::make_shared<CProviderContext>()),
      policy(std::make_shared<CPolicy>()),
      certificatePolicy(std::make_shared<CCertificatePolicy>()) {}

CAuthContext::CAuthContext(std::shared_ptr<CProviderContext> providerContext, std::shared_ptr<CPolicy> policy,
                           std::shared_ptr<CCertificatePolicy> certificatePolicy)
    : providerContext(std::move(providerContext)),
      policy(std::move(policy)),
      certificatePolicy(std::move(certificatePolicy)) {}

bool CAuthContext::HasPin() const { return !certificatePolicy->pinPolicy.HasNoPin(); }

bool CAuthContext::IsInteractive() const {
  const std::shared_ptr<CAuthConfig> method = providerContext->config.GetAuthConfig();
  // A provider without a method cannot log in silently: the user must act.
  return method == nullptr || method->interactive;
}

bool CAuthContext::IsPinCached() {
  if (!HasPin()) return true;
  return providerContext->pinCache.IsPinCached(*certificatePolicy);
}

bool CAuthContext::StorePin(const CSecureBuffer& pin) {
  providerContext->pinCache.ClearBlockedMark(certificatePolicy->alias);
  return providerContext->pinCache.StorePin(*certificatePolicy, pin);
}

void CAuthContext::RemovePin() { providerContext->pinCache.RemovePin(certificatePolicy->alias); }

bool CAuthContext::IsBlocked() { return providerContext->pinCache.IsMarkedBlocked(certificatePolicy->alias); }

bool CAuthContext::MarkBlocked() { return providerContext->pinCache.MarkBlocked(certificatePolicy->alias); }

bool CAuthContext::ClearBlocked() {
  providerContext->pinCache.ClearBlockedMark(certificatePolicy->alias);
  return true;
}

bool CAuthContext::CanAuthenticateSilently() {
  if (!IsInteractive()) return true;
  return providerContext->tokenCache.HasToken(policy->accountKey);
}

bool CAuthContext::GetToken(CSecureBuffer& token) {
  const bool found = providerContext->tokenCache.GetToken(*policy, token);
  return IsInteractive() ? found : true;
}

void CAuthContext::RemoveToken() { providerContext->tokenCache.RemoveToken(*policy); }
