// One call of the remote signing service on behalf of an account request, run by
// CVaultCoreCallContext, which prepares the client and stores every failure in the executor. The
// worker then asks Succeeded and, if not, lets GetError write the answer's status and message.
// Executors are local objects of the worker that owns them.
#ifndef LUMA_SERVICE_CALLS_VAULT_CORE_CALL_EXECUTOR_H_
#define LUMA_SERVICE_CALLS_VAULT_CORE_CALL_EXECUTOR_H_

#include <memory>

#include "foundation/core/secure_buffer.h"
#include "foundation/core/vsc_message_bases.h"
#include "policy/account/provider_context.h"
#include "policy/core/policy_exception.h"
#include "policy/signed/policy.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"

class AVaultCoreCallExecutor {
 public:
  // Performs the call; throws what the client throws.
  virtual void Execute(CVaultCoreSOAPClient& client) = 0;
  // Neither error holds a non-zero error code.
  virtual bool Succeeded();
  // Status 0; else the authentication error's code and message, else the service error's.
  virtual void GetError(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response);

  void SetToken(CSecureBuffer value);
  void SetAuthError(const CAuthenticationException& error);
  void SetServiceError(const CSOAPServiceException& error);

  // The session token the call was made with (cookie text as UTF-16 units); set after a completed
  // call, so that AddAccount can store it under the new account.
  CSecureBuffer token;
  CAuthenticationException authError{0, 0, L""};
  CSOAPServiceException serviceError{0, 0, L""};

 protected:
  AVaultCoreCallExecutor() = default;
  AVaultCoreCallExecutor(const AVaultCoreCallExecutor&) = default;
  AVaultCoreCallExecutor& operator=(const AVaultCoreCallExecutor&) = default;
  // Not virtual: never destroyed through the base.
  ~AVaultCoreCallExecutor() = default;
};

// Downloads the account's signed policy, verifies it against the provider's trusted signers and
// checks that this computer and its domain may use the account.
class CGetPolicyVaultCoreCallExecutor final : public AVaultCoreCallExecutor {
 public:
  explicit CGetPolicyVaultCoreCallExecutor(std::shared_ptr<CProviderContext> providerContext);

  void Execute(CVaultCoreSOAPClient& client) override;
  // The base rule, and no refused policy.
  bool Succeeded() override;
  // The base rule; then a refused policy gives ERROR_INVALID_DATA with the refusal.
  void GetError(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response) override;
  // The decoded policy, also when it was refused; empty until one was decoded.
  std::shared_ptr<CPolicy> GetPolicy() const { return policy; }

  CPolicyException policyError{L""};

 private:
  std::shared_ptr<CProviderContext> providerContext;
  std::shared_ptr<CPolicy> policy;
};

// Tests that the session works.
class CIsAliveCallExecutor final : public AVaultCoreCallExecutor {
 public:
  void Execute(CVaultCoreSOAPClient& client) override;
};

// The login that precedes a call; the context reads and writes the token directly.
class CAuthenticationResult final {
 public:
  CAuthenticationResult() = default;

  void SetAuthError(const CAuthenticationException& error);
  virtual bool Succeeded();
  virtual void GetError(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response);

  CAuthenticationException authError{0, 0, L""};
  CSOAPServiceException serviceError{0, 0, L""};
  CSecureBuffer token;
};

#endif  // LUMA_SERVICE_CALLS_VAULT_CORE_CALL_EXECUTOR_H_
