// Runs one executor for an account request: logs in first when the method asks for it and
// credentials came with the request, builds the service client with the account's session cookie
// and, for certificate login, the client certificate, keeps the session token, and turns every
// failure into an error held by the executor. One context per request, on the worker's stack.
#ifndef LUMA_SERVICE_CALLS_VAULT_CORE_CALL_CONTEXT_H_
#define LUMA_SERVICE_CALLS_VAULT_CORE_CALL_CONTEXT_H_

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/vsc_message_bases.h"
#include "policy/account/provider_context.h"
#include "policy/config/auth_config.h"
#include "policy/signed/policy.h"
#include "service/calls/vault_core_call_executor.h"

class CImplicitAuthHelper;

class CVaultCoreCallContext {
 public:
  // Sees the prepared client and the certificate helper just before the executor's call; for the
  // tests of the transport.
  using ClientObserver = std::function<void(CVaultCoreSOAPClient&, CImplicitAuthHelper&)>;
  // The one-time-password login (method, user, password, one-time password) -> session cookie;
  // null: the web-form login client of the method.
  using OtpLogin = std::function<std::wstring(const COTPConfig&, const std::wstring&, const std::wstring&,
                                              const std::wstring&)>;

  // AddAccount: no account yet.
  explicit CVaultCoreCallContext(std::shared_ptr<CProviderContext> providerContext);
  CVaultCoreCallContext(std::shared_ptr<CProviderContext> providerContext, std::shared_ptr<CPolicy> policy);

  void SetAuthenticationFields(const std::vector<VirtualSmartCardProtocol::CAuthenticationValue>& values);
  // True when the executor's call completed; every failure is stored in the executor.
  bool Execute(AVaultCoreCallExecutor& executor);
  // The one-time-password login with the values of 1001, 1002 and 1003.
  bool LoginWithCredentials(const std::map<DWORD, VirtualSmartCardProtocol::CAuthenticationValue>& values,
                            CAuthenticationResult& login);

  std::shared_ptr<CProviderContext> providerContext;
  std::shared_ptr<CPolicy> policy;
  std::vector<VirtualSmartCardProtocol::CAuthenticationValue> credentials;
  // No certificate selection dialog; the account-request workers set it.
  bool silent = false;
  // Owner of a selection dialog; none on a worker thread.
  HWND ownerWindow = nullptr;
  ClientObserver clientObserver;
  OtpLogin otpLogin;

 private:
  bool IsInteractive() const;
  int AuthType() const;
  // The call itself, inside its failure scope.
  bool Call(AVaultCoreCallExecutor& executor, CSecureBuffer& token);
};

#endif  // LUMA_SERVICE_CALLS_VAULT_CORE_CALL_CONTEXT_H_
