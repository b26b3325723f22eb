// The requests that manage providers, accounts and certificates. The scope of a request names a
// provider (exact), an account (any letter case) or a certificate (exact). None of them holds the
// main lock except inside the lookups, so the policy changes they make reach the observers safely.
#include "foundation/win/debug_log.h"
#include "service/calls/authentication_fields.h"
#include "service/handler/vsc_protocol_handler.h"
#include "service/requests/account_requests.h"
#include "service/requests/certificate_answers.h"

using namespace VirtualSmartCardProtocol;

namespace {

constexpr DWORD kStatusInvalidSession = ERROR_INVALID_HANDLE;  // 6
constexpr DWORD kStatusNoKeyContainer = 0x80100030;            // SCARD_E_NO_KEY_CONTAINER

}  // namespace

bool CVSCProtocolHandler::handle(const CGetProvidersRequest& request, CGetProvidersResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetProviders");
  if (!VerifySession(request, response)) return false;
  std::vector<std::wstring> names;
  for (const auto& context : GetProviderContexts()) names.push_back(context->config.name);
  response.SetItems(names);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetProviderInfoRequest& request, CGetProviderInfoResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetProviderInfo");
  if (!VerifySession(request, response)) return false;
  const auto context = GetProviderContext(request.GetScope());
  if (!context) {
    response.SetStatus(ERROR_NOT_FOUND);
    return true;
  }
  luma::calls::FillProviderFields(context, response);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetAccountsRequest& request, CGetAccountsResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetAccounts");
  if (!VerifySession(request, response)) return false;
  const auto context = GetProviderContext(request.GetScope());
  if (!context) {
    response.SetStatus(ERROR_NOT_FOUND);
    return true;
  }
  std::list<CPolicyPtr> policies;
  context->GetPolicies(policies);
  std::vector<std::wstring> keys;
  for (const auto& policy : policies) keys.push_back(policy->accountKey);
  response.SetItems(keys);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetAccountInfoRequest& request, CGetAccountInfoResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetAccountInfo");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindProviderContext(request.GetScope(), context, policy)) {
    response.SetStatus(ERROR_NOT_FOUND);
    return true;
  }
  response.SetStatus(0);
  luma::calls::FillProviderFields(context, response);
  luma::calls::FillAccountFields(policy, response);
  return true;
}

bool CVSCProtocolHandler::handle(const CDeleteAccountRequest& request, CDeleteAccountResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle DeleteAccount");
  if (!VerifySession(request, response)) return false;
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindProviderContext(request.GetScope(), context, policy)) {
    luma::requests::AnswerNotFound(response);
    return true;
  }
  context->RemovePolicy(*policy);
  response.SetStatus(0);
  return true;
}

bool CVSCProtocolHandler::handle(const CDeauthenticateAccountRequest& request,
                                 CDeauthenticateAccountResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle DeauthenticateAccount");
  if (!VerifySession(request, response)) return false;
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindProviderContext(request.GetScope(), context, policy)) {
    luma::requests::AnswerNotFound(response);
    return true;
  }
  context->Logout(*policy);
  response.SetStatus(0);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetCertificatesRequest& request, CGetCertificatesResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetCertificates");
  if (!VerifySession(request, response)) return false;
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindProviderContext(request.GetScope(), context, policy)) {
    response.SetStatus(ERROR_NOT_FOUND);
    return true;
  }
  luma::requests::ListEnabledContainers(*policy, response);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetCertificateInfoRequest& request,
                                 CGetCertificateInfoResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetCertificateInfo");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  CCertContext context(nullptr, nullptr, nullptr);
  if (!LookupCertContextByContainerName(request.GetScope(), context) || !context.certificatePolicy ||
      !context.policy) {
    response.SetStatus(kStatusNoKeyContainer);
    return true;
  }
  luma::requests::FillCertificateInfo(context, response);
  return true;
}

// --- Workers of the transacted account requests ------------------------------------------------

bool CVSCProtocolHandler::FindAccountOfRequest(const CBaseScopedRequest& request,
                                               CBaseErrorMessageResponse& response,
                                               std::shared_ptr<CProviderContext>& context,
                                               std::shared_ptr<CPolicy>& policy) {
  if (!VerifySession(request, response)) return false;
  if (!FindProviderContext(request.GetScope(), context, policy)) {
    luma::requests::AnswerNotFound(response);
    return false;
  }
  return true;
}

void CVSCProtocolHandler::handleTransactedCall(const CAddAccountRequest& request,
                                               CAddAccountResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleTransactedCall AddAccount");
  if (!VerifySession(request, response)) return;
  const auto context = GetProviderContext(request.GetScope());
  if (!context) {
    luma::requests::AnswerNotFound(response);
    return;
  }
  luma::requests::AddAccount(context, request, response);
}

void CVSCProtocolHandler::handleTransactedCall(const CRefreshAccountRequest& request,
                                               CRefreshAccountResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleTransactedCall RefreshAccount");
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindAccountOfRequest(request, response, context, policy)) return;
  luma::requests::RefreshAccount(context, policy, response);
}

void CVSCProtocolHandler::handleTransactedCall(const CGetAccountAuthStateRequest& request,
                                               CGetAccountAuthStateResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleTransactedCall GetAccountAuthState");
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindAccountOfRequest(request, response, context, policy)) return;
  luma::requests::GetAccountAuthState(context, policy, response);
}

void CVSCProtocolHandler::handleTransactedCall(const CAuthenticateAccountRequest& request,
                                               CAuthenticateAccountResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle AuthenticateAccount");
  std::shared_ptr<CProviderContext> context;
  std::shared_ptr<CPolicy> policy;
  if (!FindAccountOfRequest(request, response, context, policy)) return;
  luma::requests::AuthenticateAccount(context, policy, request, response);
}
