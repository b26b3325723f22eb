#include "service/requests/session_pin_answers.h"

namespace luma::requests {
namespace {
constexpr DWORD kWrongPin = 0x8010006B;  // SCARD_W_WRONG_CHV
constexpr DWORD kNoTriesCount = 0xFFFFFFFF;
}  // namespace

void AnswerGetExternalValidatedPIN(CSessionPINCache& cache,
                                   const VirtualSmartCardProtocol::CGetExternalValidatedPINRequest& request,
                                   VirtualSmartCardProtocol::CGetExternalValidatedPINResponse& response) {
  response.SetStatus(0);
  response.SetPinResult(0);
  CSecureBuffer token;  // wipes itself
  const CSecureBuffer emptyPin;
  // No random token: nothing is stored and the answer carries the cache's status.
  const DWORD stored = cache.Store(static_cast<int>(request.GetPinId()), emptyPin, token);
  if (stored != 0) response.SetStatus(stored);
  response.SetToken(token);
  response.SetRemaining(kNoTriesCount);
}

void AnswerAuthenticateSessionPIN(const CSessionPINCache& cache,
                                  const VirtualSmartCardProtocol::CAuthenticateSessionPINRequest& request,
                                  VirtualSmartCardProtocol::CAuthenticateSessionPINResponse& response) {
  response.SetStatus(0);
  if (cache.VerifyToken(static_cast<int>(request.GetPinId()), request.GetSecret())) {
    response.SetPinResult(0);
    response.SetRemaining(kNoTriesCount);
  } else {
    response.SetPinResult(kWrongPin);
    response.SetRemaining(1);
  }
}

void AnswerAuthenticatePIN(VirtualSmartCardProtocol::CAuthenticatePINResponse& response) {
  response.SetStatus(0);
  response.SetPinResult(kWrongPin);
  response.SetRemaining(kNoTriesCount);
  response.SetToken(CSecureBuffer());
}

void AnswerDeauthenticatePIN(CSessionPINCache& cache,
                             const VirtualSmartCardProtocol::CDeauthenticatePINRequest& request) {
  cache.Remove(static_cast<int>(request.GetPinId()));
}

}  // namespace luma::requests
