#include "service/requests/key_operation_call.h"

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/core/key_operation_outcome.h"
#include "service/core/service_text_ids.h"
#include "service/vault/vault_core_soap_client.h"
#include "service/vault/web_service_exception.h"

namespace luma::requests {
namespace {

void ApplyOutcome(const CCertContext& context, int code, std::wstring& errorText) {
  const service::KeyOperationOutcome outcome = service::OutcomeOfStatus(code);
  CDebugLog::Log(LOG_TRACE, L"%s", outcome.logLine);
  CPinCache& pins = context.providerContext->pinCache;
  switch (outcome.pinCache) {
    case service::PinCacheEffect::kNone:
      break;
    case service::PinCacheEffect::kRemovePin:
      pins.RemovePin(*context.certificatePolicy);
      break;
    case service::PinCacheEffect::kRemovePinMarkBlocked:
      pins.RemovePin(*context.certificatePolicy);
      pins.MarkBlocked(*context.certificatePolicy);
      break;
  }
  if (code != 0) errorText = FormatResourceString(outcome.errorText);
}

// The call itself; every failure it raises is turned into the error text by the caller.
CSecureBuffer Call(const CCertContext& context, const CAuthResult& auth, const KeyOperationCall& call,
                   CImplicitAuthHelper& helper, std::wstring& errorText) {
  CVaultCoreSOAPClient client(context.providerContext->config.service, context.policy->issuerEncCert,
                              call.exchangeKey);
  helper.PrepareClient(client, false);
  std::wstring cookie;
  auth.GetToken(cookie);
  client.proxy.SetCookie(cookie.c_str());
  WipeString(cookie);
  if (call.clientObserver) call.clientObserver(client);
  CSecureBuffer result;
  int code = 0;
  const std::wstring& alias = context.certificatePolicy->alias;
  if (call.operation == KeyOperation::kPkcs1Sign) {
    CDebugLog::Log(LOG_TRACE, L"Calling RsaPkcs1Sign");
    code = client.RsaPkcs1Sign(alias, auth.pin, call.data, result);
  } else {
    CDebugLog::Log(LOG_TRACE, L"Calling RsaRawDecrypt");
    code = client.RsaRawDecrypt(alias, auth.pin, call.data, result);
  }
  if (call.rememberCertificate) helper.RememberCertificate();
  ApplyOutcome(context, code, errorText);
  return result;
}

}  // namespace

CSecureBuffer CallKeyOperation(const CCertContext& context, const CAuthResult& auth,
                               const KeyOperationCall& call, std::wstring& errorText) noexcept {
  try {
    errorText = FormatResourceString(service::kStrUnexpectedError);
    // A worker thread owns no window: a certificate choice, if any, has no owner.
    CImplicitAuthHelper helper(nullptr, context.providerContext, context.policy);
    try {
      return Call(context, auth, call, helper, errorText);
    } catch (const CSOAPServiceException& error) {
      CDebugLog::Log(LOG_ERROR, L"SOAP service exception thrown: %s", error.GetMessage().c_str());
      helper.ForgetCertificate(&error);
      errorText = error.GetMessage();
    } catch (const CWindowsException& error) {
      CDebugLog::Log(LOG_ERROR, L"Windows exception throws: %s", error.GetMessage().c_str());
      errorText = error.GetMessage();
    }
  } catch (...) {
    // Whatever else fails here must not end the worker without its answer.
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception thrown by the key operation");
    try {
      errorText = FormatResourceString(service::kStrUnexpectedError);
    } catch (...) {
      errorText.clear();
    }
  }
  return CSecureBuffer();
}

}  // namespace luma::requests
