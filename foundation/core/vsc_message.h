// Shared classes of every pipe message: request and response headers, the session request, the
// padded response, and the message type identifiers.
#ifndef LUMA_FOUNDATION_CORE_VSC_MESSAGE_H_
#define LUMA_FOUNDATION_CORE_VSC_MESSAGE_H_

#include "foundation/core/message_serialization.h"

namespace VirtualSmartCardProtocol {

enum MessageType : DWORD {
  MessageTypeCheckTransaction = 0x11,
  MessageTypeCancelTransaction = 0x12,
  MessageTypeOpenSession = 0x101,
  MessageTypeVerifySession = 0x103,
  MessageTypeCloseSession = 0x1FF,
  MessageTypeGetProviders = 0x201,
  MessageTypeGetProviderInfo = 0x202,
  MessageTypeAddAccount = 0x301,
  MessageTypeRefreshAccount = 0x302,
  MessageTypeDeleteAccount = 0x303,
  MessageTypeGetAccounts = 0x304,
  MessageTypeGetAccountInfo = 0x305,
  MessageTypeGetAccountAuthState = 0x311,
  MessageTypeDeauthenticateAccount = 0x312,
  MessageTypeGetCertificates = 0x321,
  MessageTypeGetCertificateInfo = 0x322,
  MessageTypeValidatePIN = 0x331,
  MessageTypeChangePIN = 0x332,
  MessageTypeGetContainerInfo = 0x1001,
  MessageTypeGetCertStoreInfo = 0x1003,
  MessageTypeSignData = 0x10001,
  MessageTypeDecryptData = 0x10002,
  MessageTypeGetAuthenticationState = 0xF0001,
  MessageTypeAuthenticatePIN = 0x100001,
  MessageTypeAuthenticateSessionPIN = 0x100011,
  MessageTypeGetExternalValidatedPIN = 0x100021,
  MessageTypeAuthenticateAccount = 0x101001,
  MessageTypeDeauthenticatePIN = 0x110001,
  // Types of the generic responses of the endpoint handler.
  MessageTypeGeneric = 0xFFFFFFFF,
  MessageTypeUnknown = 0,
};

constexpr DWORD kProtocolVersion = 1;
constexpr DWORD kSessionIdSize = 16;
constexpr DWORD kPaddingValue = 0xFFFFFFFF;

class CSerializableMessage {
 public:
  virtual ~CSerializableMessage() = default;
  virtual bool Deserialize(CMessageSerialization& in) = 0;
  virtual bool Serialize(CMessageSerialization& out) const = 0;
};

class CRequestMessage : public CSerializableMessage {
 public:
  explicit CRequestMessage(DWORD type) : type(type) {}

  DWORD GetType() const { return type; }
  DWORD GetVersion() const { return version; }
  void SetVersion(DWORD value) { version = value; }

  // Reads the type (which must be this object's) and the version, which is not checked.
  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD type;
  DWORD version = kProtocolVersion;
};

class CSessionRequest : public CRequestMessage {
 public:
  explicit CSessionRequest(DWORD type) : CRequestMessage(type), sessionId(kSessionIdSize) {}

  const CSecureBuffer& GetSessionId() const { return sessionId; }
  void SetSessionId(const CSecureBuffer& value) { sessionId = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer sessionId;
};

class CResponseMessage : public CSerializableMessage {
 public:
  // A fresh response reports ERROR_INVALID_DATA until a handler completes it.
  explicit CResponseMessage(DWORD type) : type(type) {}

  DWORD GetType() const { return type; }
  DWORD GetVersion() const { return version; }
  DWORD GetStatus() const { return status; }
  DWORD GetTransactionId() const { return transactionId; }
  void SetVersion(DWORD value) { version = value; }
  void SetStatus(DWORD value) { status = value; }
  void SetTransactionId(DWORD value) { transactionId = value; }
  // The request still runs in lumaPassV: ask again with CheckTransaction and this transaction id.
  bool IsPending() const { return status == ERROR_NOT_READY && transactionId != 0; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD type;
  DWORD version = kProtocolVersion;
  DWORD status = ERROR_INVALID_DATA;
  DWORD transactionId = 0;
};

// A response that, for sessions that ask for it, carries the integer -1 behind its header. No class
// reads the padding back.
class CPaddedResponseMessage : public CResponseMessage {
 public:
  using CResponseMessage::CResponseMessage;

  bool IsPadded() const { return padded; }
  void SetPadded(bool value) { padded = value; }

  bool Serialize(CMessageSerialization& out) const override;

 private:
  bool padded = false;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_MESSAGE_H_
