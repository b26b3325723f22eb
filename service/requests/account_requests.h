// The account requests that call the remote signing service, once their scope was found: they run
// as transacted requests on worker threads and never hold the protocol handler's main lock, so the
// policy changes they make reach the handler's observer operations safely.
#ifndef LUMA_SERVICE_REQUESTS_ACCOUNT_REQUESTS_H_
#define LUMA_SERVICE_REQUESTS_ACCOUNT_REQUESTS_H_

#include <functional>
#include <memory>

#include "foundation/core/vsc_account_messages.h"
#include "policy/account/provider_context.h"
#include "policy/signed/policy.h"
#include "service/calls/vault_core_call_context.h"

namespace luma::requests {

// Lets tests adjust the call context (its one-time-password login, its client observer).
using CallContextSetup = std::function<void(CVaultCoreCallContext&)>;

// Status 1168 (ERROR_NOT_FOUND) with its system text.
void AnswerNotFound(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response);

// Logs in with the request's values where the method needs them, downloads the new account's
// policy, stores it (persisted when asked) and keeps the session token for it.
void AddAccount(const std::shared_ptr<CProviderContext>& providerContext,
                const VirtualSmartCardProtocol::CAddAccountRequest& request,
                VirtualSmartCardProtocol::CAddAccountResponse& response,
                const CallContextSetup& setup = nullptr);
// Downloads the account's policy again with its cached session; policyChanged tells whether the
// stored policy changed.
void RefreshAccount(const std::shared_ptr<CProviderContext>& providerContext,
                    const std::shared_ptr<CPolicy>& policy,
                    VirtualSmartCardProtocol::CRefreshAccountResponse& response,
                    const CallContextSetup& setup = nullptr);
// 0 when the account's session works, else 1244 (ERROR_NOT_AUTHENTICATED) with its text; an
// interactive provider without a cached token answers 1244 without asking the service.
void GetAccountAuthState(const std::shared_ptr<CProviderContext>& providerContext,
                         const std::shared_ptr<CPolicy>& policy,
                         VirtualSmartCardProtocol::CGetAccountAuthStateResponse& response,
                         const CallContextSetup& setup = nullptr);
// Drops the account's session and logs in afresh with the request's values.
void AuthenticateAccount(const std::shared_ptr<CProviderContext>& providerContext,
                         const std::shared_ptr<CPolicy>& policy,
                         const VirtualSmartCardProtocol::CAuthenticateAccountRequest& request,
                         VirtualSmartCardProtocol::CAuthenticateAccountResponse& response,
                         const CallContextSetup& setup = nullptr);

}  // namespace luma::requests

#endif  // LUMA_SERVICE_REQUESTS_ACCOUNT_REQUESTS_H_
