// The PIN requests: ValidatePIN and ChangePIN only confirm that the alias names a card certificate
// (the PINs they carry are neither read nor forwarded), and the session PIN messages work on the
// handler's cache of externally validated PINs.
#include "foundation/win/debug_log.h"
#include "service/handler/vsc_protocol_handler.h"
#include "service/requests/account_requests.h"
#include "service/requests/session_pin_answers.h"

using namespace VirtualSmartCardProtocol;

namespace {

constexpr DWORD kStatusInvalidSession = ERROR_INVALID_HANDLE;  // 6

// No session check: the alias lookup alone decides.
void AnswerByAlias(CVSCProtocolHandler& handler, const std::wstring& alias,
                   CBaseErrorMessageResponse& response) {
  CCertContext context(nullptr, nullptr, nullptr);
  if (handler.LookupCertContextByAlias(alias, context)) {
    response.SetStatus(0);
  } else {
    luma::requests::AnswerNotFound(response);
  }
}

}  // namespace

void CVSCProtocolHandler::handleTransactedCall(const CValidatePINRequest& request,
                                               CValidatePINResponse& response) {
  AnswerByAlias(*this, request.GetScope(), response);
}

void CVSCProtocolHandler::handleTransactedCall(const CChangePINRequest& request,
                                               CChangePINResponse& response) {
  AnswerByAlias(*this, request.GetScope(), response);
}

bool CVSCProtocolHandler::handle(const CDeauthenticatePINRequest& request,
                                 CDeauthenticatePINResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle DeauthenticatePIN");
  if (!VerifySession(request, response)) return false;
  luma::requests::AnswerDeauthenticatePIN(SessionPins(), request);
  return true;
}

bool CVSCProtocolHandler::handle(const CGetExternalValidatedPINRequest& request,
                                 CGetExternalValidatedPINResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle GetExternalValidatedPIN");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  luma::requests::AnswerGetExternalValidatedPIN(SessionPins(), request, response);
  return true;
}

bool CVSCProtocolHandler::handle(const CAuthenticateSessionPINRequest& request,
                                 CAuthenticateSessionPINResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle AuthenticateSessionPIN");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  luma::requests::AnswerAuthenticateSessionPIN(SessionPins(), request, response);
  return true;
}

bool CVSCProtocolHandler::handle(const CAuthenticatePINRequest& request, CAuthenticatePINResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handle AuthenticatePIN");
  if (!IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  luma::requests::AnswerAuthenticatePIN(response);
  return true;
}
