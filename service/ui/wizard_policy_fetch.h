// The policy fetch every login page of the account wizards ends with, on its page worker: the
// account's signed policy from the provider's service, verified and decoded by the provider context
// and checked against this computer's Windows domain and name; and the worker results that carry it
// back to the page.
#ifndef LUMA_SERVICE_UI_WIZARD_POLICY_FETCH_H_
#define LUMA_SERVICE_UI_WIZARD_POLICY_FETCH_H_

#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "policy/account/provider_context.h"
#include "policy/core/policy_exception.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"
#include "ui/framework/apply_worker.h"

namespace luma {
namespace ui {

// A fetch that fails can still carry the policy (it is kept before the domain and host checks).
class CWizCheckThreadResult : public CApplyWorkerResult {
 public:
  bool Succeeded() const { return serviceError.GetError() == 0 && policyError.GetMessage().empty(); }

  CSOAPServiceException serviceError{0, 0, L""};
  CPolicyException policyError{L""};
  CPolicyPtr policy;
};

// A login followed by the fetch; the token is the login's session cookie.
class CWizOTPThreadResult : public CWizCheckThreadResult {
 public:
  bool Succeeded() const { return loginError.GetError() == 0 && CWizCheckThreadResult::Succeeded(); }

  CAuthenticationException loginError{0, 0, L""};
  CSecureBuffer token;
};

// Sets the session cookie (the token's text; none when empty) on the client's transport.
void SetWizardCookie(CVaultCoreSOAPClient& client, const CSecureBuffer& token);
// GetPolicy, CreatePolicy into result.policy, then the domain and host checks. Throws what the calls
// throw: CSOAPServiceException, CWindowsException, CPolicyException. With an expected account key
// (a refresh), a policy of another account throws CPolicyException before the checks.
void FetchAccountPolicy(CVaultCoreSOAPClient& client, const CProviderContext& provider,
                        CWizCheckThreadResult& result, const std::wstring* expectedAccount = nullptr);
// The error a Windows failure of the fetch is reported as.
CSOAPServiceException ServiceErrorOf(std::int32_t windowsError, const std::wstring& text);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_WIZARD_POLICY_FETCH_H_
