#include "service/requests/account_requests.h"

#include "foundation/win/windows_exception.h"
#include "policy/config/auth_config.h"

namespace luma::requests {
namespace {

using namespace VirtualSmartCardProtocol;

void Prepare(CVaultCoreCallContext& context, const CallContextSetup& setup) {
  context.silent = true;
  if (setup) setup(context);
}

void AnswerNotAuthenticated(CBaseErrorMessageResponse& response) {
  response.SetStatus(ERROR_NOT_AUTHENTICATED);
  response.SetErrorMessage(CWindowsException(ERROR_NOT_AUTHENTICATED).GetMessage());
}

bool IsInteractive(const CProviderContext& providerContext) {
  const std::shared_ptr<CAuthConfig> method = providerContext.config.GetAuthConfig();
  return method == nullptr || method->interactive;
}

}  // namespace

void AnswerNotFound(CBaseErrorMessageResponse& response) {
  response.SetStatus(ERROR_NOT_FOUND);
  response.SetErrorMessage(CWindowsException(ERROR_NOT_FOUND).GetMessage());
}

void AddAccount(const std::shared_ptr<CProviderContext>& providerContext, const CAddAccountRequest& request,
                CAddAccountResponse& response, const CallContextSetup& setup) {
  CVaultCoreCallContext context(providerContext);
  Prepare(context, setup);
  context.SetAuthenticationFields(request.GetValues());
  CGetPolicyVaultCoreCallExecutor executor(providerContext);
  context.Execute(executor);
  if (!executor.Succeeded()) {
    executor.GetError(response);
    return;
  }
  const std::shared_ptr<CPolicy> policy = executor.GetPolicy();
  if (policy == nullptr) return;  // cannot follow a completed download; the answer keeps status 13
  providerContext->AddPolicy(policy, request.GetPersist() != 0);
  providerContext->tokenCache.StoreToken(*policy, executor.token);  // an empty token is not stored
  response.SetAccountKey(policy->accountKey);
  response.SetStatus(0);
}

void RefreshAccount(const std::shared_ptr<CProviderContext>& providerContext,
                    const std::shared_ptr<CPolicy>& policy, CRefreshAccountResponse& response,
                    const CallContextSetup& setup) {
  const bool persist = policy->persistent;
  CVaultCoreCallContext context(providerContext, policy);
  Prepare(context, setup);
  CGetPolicyVaultCoreCallExecutor executor(providerContext);
  context.Execute(executor);
  if (!executor.Succeeded()) {
    executor.GetError(response);
    return;
  }
  if (executor.GetPolicy() == nullptr) return;
  const bool changed = providerContext->AddPolicy(executor.GetPolicy(), persist);
  response.SetStatus(0);
  response.SetPolicyChanged(changed ? 1 : 0);
}

void GetAccountAuthState(const std::shared_ptr<CProviderContext>& providerContext,
                         const std::shared_ptr<CPolicy>& policy, CGetAccountAuthStateResponse& response,
                         const CallContextSetup& setup) {
  if (IsInteractive(*providerContext) && !providerContext->tokenCache.HasToken(*policy)) {
    AnswerNotAuthenticated(response);
    return;
  }
  CVaultCoreCallContext context(providerContext, policy);
  Prepare(context, setup);
  CIsAliveCallExecutor executor;
  context.Execute(executor);
  if (executor.authError.GetError() != 0 || executor.serviceError.GetError() != 0) {
    AnswerNotAuthenticated(response);  // the service's own reason is not passed on
    return;
  }
  response.SetStatus(0);
}

void AuthenticateAccount(const std::shared_ptr<CProviderContext>& providerContext,
                         const std::shared_ptr<CPolicy>& policy, const CAuthenticateAccountRequest& request,
                         CAuthenticateAccountResponse& response, const CallContextSetup& setup) {
  CVaultCoreCallContext context(providerContext, policy);
  CIsAliveCallExecutor executor;
  providerContext->tokenCache.RemoveToken(*policy);
  Prepare(context, setup);
  context.SetAuthenticationFields(request.GetValues());
  context.Execute(executor);
  if (executor.authError.GetError() != 0 || executor.serviceError.GetError() != 0) {
    executor.GetError(response);
    return;
  }
  response.SetStatus(0);
}

}  // namespace luma::requests
