// The session PIN messages over the handler's cache of externally validated PINs. AuthenticatePIN
// never validates a PIN itself: the service holds none.
#ifndef LUMA_SERVICE_REQUESTS_SESSION_PIN_ANSWERS_H_
#define LUMA_SERVICE_REQUESTS_SESSION_PIN_ANSWERS_H_

#include "foundation/core/vsc_pin_messages.h"
#include "service/pins/session_pin_cache.h"

namespace luma::requests {

// A new entry (with an empty PIN) for the PIN id and its new token.
void AnswerGetExternalValidatedPIN(CSessionPINCache& cache,
                                   const VirtualSmartCardProtocol::CGetExternalValidatedPINRequest& request,
                                   VirtualSmartCardProtocol::CGetExternalValidatedPINResponse& response);
// pinResult 0 for the entry's token, else SCARD_W_WRONG_CHV with one try left.
void AnswerAuthenticateSessionPIN(const CSessionPINCache& cache,
                                  const VirtualSmartCardProtocol::CAuthenticateSessionPINRequest& request,
                                  VirtualSmartCardProtocol::CAuthenticateSessionPINResponse& response);
// Always SCARD_W_WRONG_CHV; the PIN is neither examined nor kept.
void AnswerAuthenticatePIN(VirtualSmartCardProtocol::CAuthenticatePINResponse& response);
// Drops the PIN id's entry; the status the session check set stays.
void AnswerDeauthenticatePIN(CSessionPINCache& cache,
                             const VirtualSmartCardProtocol::CDeauthenticatePINRequest& request);

}  // namespace luma::requests

#endif  // LUMA_SERVICE_REQUESTS_SESSION_PIN_ANSWERS_H_
