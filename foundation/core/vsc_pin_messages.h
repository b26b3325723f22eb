// Messages of the session PIN cache and the authentication state.
#ifndef LUMA_FOUNDATION_CORE_VSC_PIN_MESSAGES_H_
#define LUMA_FOUNDATION_CORE_VSC_PIN_MESSAGES_H_

#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

// The service does not read name and value; they are kept for clients that send them.
class CGetAuthenticationStateRequest : public CSessionRequest {
 public:
  CGetAuthenticationStateRequest() : CSessionRequest(MessageTypeGetAuthenticationState) {}

  WString GetName() const { return name; }
  DWORD GetValue() const { return value; }
  void SetName(const WString& v) { name = v; }
  void SetValue(DWORD v) { value = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString name;
  DWORD value = 0;
};

class CGetAuthenticationStateResponse : public CResponseMessage {
 public:
  CGetAuthenticationStateResponse() : CResponseMessage(MessageTypeGetAuthenticationState) {}

  DWORD GetFirst() const { return first; }
  DWORD GetSecond() const { return second; }
  void SetFirst(DWORD v) { first = v; }
  void SetSecond(DWORD v) { second = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD first = 0;
  DWORD second = 0;
};

// GetExternalValidatedPIN and DeauthenticatePIN: the session and the key of a PIN cache entry.
class CPinIdRequest : public CSessionRequest {
 public:
  using CSessionRequest::CSessionRequest;

  DWORD GetPinId() const { return pinId; }
  void SetPinId(DWORD v) { pinId = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD pinId = 0;
};

// AuthenticatePIN (secret: the PIN) and AuthenticateSessionPIN (secret: the entry's token).
class CPinSecretRequest : public CPinIdRequest {
 public:
  using CPinIdRequest::CPinIdRequest;

  const CSecureBuffer& GetSecret() const { return secret; }
  void SetSecret(const CSecureBuffer& v) { secret = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer secret;
};

class CAuthenticatePINRequest : public CPinSecretRequest {
 public:
  CAuthenticatePINRequest() : CPinSecretRequest(MessageTypeAuthenticatePIN) {}
};

class CAuthenticateSessionPINRequest : public CPinSecretRequest {
 public:
  CAuthenticateSessionPINRequest() : CPinSecretRequest(MessageTypeAuthenticateSessionPIN) {}
};

class CGetExternalValidatedPINRequest : public CPinIdRequest {
 public:
  CGetExternalValidatedPINRequest() : CPinIdRequest(MessageTypeGetExternalValidatedPIN) {}
};

class CDeauthenticatePINRequest : public CPinIdRequest {
 public:
  CDeauthenticatePINRequest() : CPinIdRequest(MessageTypeDeauthenticatePIN) {}
};

// AuthenticatePIN and GetExternalValidatedPIN answers: the PIN check's smart-card status, a token
// and a remaining-tries value.
class CPinResultResponse : public CResponseMessage {
 public:
  CPinResultResponse(DWORD type, DWORD initialPinResult)
      : CResponseMessage(type), pinResult(initialPinResult) {}

  DWORD GetPinResult() const { return pinResult; }
  const CSecureBuffer& GetToken() const { return token; }
  DWORD GetRemaining() const { return remaining; }
  void SetPinResult(DWORD v) { pinResult = v; }
  void SetToken(const CSecureBuffer& v) { token = v; }
  void SetRemaining(DWORD v) { remaining = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD pinResult;
  CSecureBuffer token;
  DWORD remaining = 0xFFFFFFFF;
};

class CAuthenticatePINResponse : public CPinResultResponse {
 public:
  CAuthenticatePINResponse() : CPinResultResponse(MessageTypeAuthenticatePIN, 0xFFFFFFFF) {}
};

class CGetExternalValidatedPINResponse : public CPinResultResponse {
 public:
  static constexpr DWORD kInitialPinResult = 87;  // ERROR_INVALID_PARAMETER
  CGetExternalValidatedPINResponse()
      : CPinResultResponse(MessageTypeGetExternalValidatedPIN, kInitialPinResult) {}
};

class CAuthenticateSessionPINResponse : public CResponseMessage {
 public:
  CAuthenticateSessionPINResponse() : CResponseMessage(MessageTypeAuthenticateSessionPIN) {}

  DWORD GetPinResult() const { return pinResult; }
  DWORD GetRemaining() const { return remaining; }
  void SetPinResult(DWORD v) { pinResult = v; }
  void SetRemaining(DWORD v) { remaining = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD pinResult = 0xFFFFFFFF;
  DWORD remaining = 0xFFFFFFFF;
};

class CDeauthenticatePINResponse : public CPaddedResponseMessage {
 public:
  CDeauthenticatePINResponse() : CPaddedResponseMessage(MessageTypeDeauthenticatePIN) {}
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_PIN_MESSAGES_H_
