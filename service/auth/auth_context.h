// One authentication's subject: a certificate of an account at a provider, with the few cache
// operations an authentication needs (its PIN, its blocked mark, the account's session token).
// Each operation takes only the lock of the cache it touches.
#ifndef LUMA_SERVICE_AUTH_AUTH_CONTEXT_H_
#define LUMA_SERVICE_AUTH_AUTH_CONTEXT_H_

#include <memory>

#include "foundation/core/secure_buffer.h"
#include "policy/account/provider_context.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"

class CAuthContext {
 public:
  // Each of the three a new, empty object: none is ever null.
  CAuthContext();
  CAuthContext(std::shared_ptr<CProviderContext> providerContext, std::shared_ptr<CPolicy> policy,
               std::shared_ptr<CCertificatePolicy> certificatePolicy);
  CAuthContext(const CAuthContext& other) = default;
  CAuthContext& operator=(const CAuthContext& other) = default;
  virtual ~CAuthContext() = default;

  std::shared_ptr<CProviderContext> GetProviderContext() const { return providerContext; }
  std::shared_ptr<CPolicy> GetPolicy() const { return policy; }

  // True for a certificate without PIN; else whether a valid PIN is cached (no use counted).
  bool IsPinCached();
  // Clears the first blocked mark of the certificate, then caches the PIN.
  bool StorePin(const CSecureBuffer& pin);
  void RemovePin();

  bool IsBlocked();
  // Marks are a list: marking twice needs two clears.
  bool MarkBlocked();
  bool ClearBlocked();

  // A provider that needs no user can always try; otherwise only with a cached token (expired or
  // not: the service decides).
  bool CanAuthenticateSilently();
  // Counts a use of the cached token. A provider that needs no user succeeds without one.
  bool GetToken(CSecureBuffer& token);
  void RemoveToken();

  // The certificate has a PIN unless its constraints give minLength 0 and maxLength 0.
  bool HasPin() const;
  bool IsInteractive() const;

  std::shared_ptr<CProviderContext> providerContext;
  std::shared_ptr<CPolicy> policy;
  std::shared_ptr<CCertificatePolicy> certificatePolicy;
};

#endif  // LUMA_SERVICE_AUTH_AUTH_CONTEXT_H_
