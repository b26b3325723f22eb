// One certificate of the virtual smart card as the protocol handler holds it: the provider that
// holds the account, the account's signed policy and the certificate's policy.
#ifndef LUMA_SERVICE_ACCOUNT_CERT_CONTEXT_H_
#define LUMA_SERVICE_ACCOUNT_CERT_CONTEXT_H_

#include <cstdint>
#include <memory>

#include "policy/account/provider_context.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"

// No lock of its own: the vectors that hold contexts are guarded by their owner. A copy shares the
// three objects, so it stays valid after that owner's lock is released.
class CCertContext {
 public:
  CCertContext(std::shared_ptr<CProviderContext> providerContext, std::shared_ptr<CPolicy> policy,
               std::shared_ptr<CCertificatePolicy> certificatePolicy)
      : providerContext(std::move(providerContext)),
        policy(std::move(policy)),
        certificatePolicy(std::move(certificatePolicy)) {}
  CCertContext(const CCertContext& other) = default;
  CCertContext& operator=(const CCertContext& other) = default;
  virtual ~CCertContext();

  std::shared_ptr<CProviderContext> providerContext;
  std::shared_ptr<CPolicy> policy;
  std::shared_ptr<CCertificatePolicy> certificatePolicy;
  // 1 once the pending list changed after this context was made; the first integer of its key
  // information record.
  std::int32_t marker = 0;
};

#endif  // LUMA_SERVICE_ACCOUNT_CERT_CONTEXT_H_
