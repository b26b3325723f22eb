#include "service/calls/vault_core_call_executor.h"

#include <utility>

#include "foundation/win/system_utils.h"
#include "service/core/service_text_ids.h"

namespace {

template <class TError>
void CopyError(const TError& from, TError& to) {
  if (&from == &to) return;
  to = from;  // status, error, message and extra
}

// Status 0, then the first error with a non-zero code.
void WriteError(const CWebServiceException& authError, const CWebServiceException& serviceError,
                VirtualSmartCardProtocol::CBaseErrorMessageResponse& response) {
  response.SetStatus(0);
  if (authError.GetError() != 0) {
    response.SetErrorMessage(authError.GetMessage());
    response.SetStatus(static_cast<DWORD>(authError.GetError()));
  } else if (serviceError.GetError() != 0) {
    response.SetErrorMessage(serviceError.GetMessage());
    response.SetStatus(static_cast<DWORD>(serviceError.GetError()));
  }
}

}  // namespace

bool AVaultCoreCallExecutor::Succeeded() { return authError.GetError() == 0 && serviceError.GetError() == 0; }

void AVaultCoreCallExecutor::GetError(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response) {
  WriteError(authError, serviceError, response);
}

void AVaultCoreCallExecutor::SetToken(CSecureBuffer value) {
  token = value;
  value.Clear();
}

void AVaultCoreCallExecutor::SetAuthError(const CAuthenticationException& error) {
  CopyError(error, authError);
}

void AVaultCoreCallExecutor::SetServiceError(const CSOAPServiceException& error) {
  CopyError(error, serviceError);
}

CGetPolicyVaultCoreCallExecutor::CGetPolicyVaultCoreCallExecutor(
    std::shared_ptr<CProviderContext> providerContext)
    : providerContext(std::move(providerContext)) {}

void CGetPolicyVaultCoreCallExecutor::Execute(CVaultCoreSOAPClient& client) {
  CSecureBuffer downloaded;
  try {
    client.GetPolicy(downloaded);
    CPolicyPtr decoded;
    providerContext->CreatePolicy(decoded, downloaded);
    policy = decoded;
    if (!policy->constraints.IsDomainAllowed()) {
      throw CPolicyException(luma::FormatResourceString(luma::service::kStrDomainNotAllowed));
    }
    if (!policy->constraints.IsHostAllowed()) {
      throw CPolicyException(luma::FormatResourceString(luma::service::kStrHostNotAllowed));
    }
  } catch (const CPolicyException& error) {
    policyError = error;
  }
  downloaded.Clear();
}

bool CGetPolicyVaultCoreCallExecutor::Succeeded() {
  return AVaultCoreCallExecutor::Succeeded() && policyError.GetMessage().empty();
}

void CGetPolicyVaultCoreCallExecutor::GetError(
    VirtualSmartCardProtocol::CBaseErrorMessageResponse& response) {
  AVaultCoreCallExecutor::GetError(response);
  if (response.GetStatus() == 0 && !policyError.GetMessage().empty()) {
    response.SetErrorMessage(policyError.GetMessage());
    response.SetStatus(ERROR_INVALID_DATA);
  }
}

void CIsAliveCallExecutor::Execute(CVaultCoreSOAPClient& client) { client.IsAlive(); }

void CAuthenticationResult::SetAuthError(const CAuthenticationException& error) {
  CopyError(error, authError);
}

bool CAuthenticationResult::Succeeded() { return authError.GetError() == 0 && serviceError.GetError() == 0; }

void CAuthenticationResult::GetError(VirtualSmartCardProtocol::CBaseErrorMessageResponse& response) {
  WriteError(authError, serviceError, response);
}
