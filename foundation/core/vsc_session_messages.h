// Messages of the card path used by the provider plug-ins: transactions, sessions, key containers,
// certificate-store entries, signing and decryption.
#ifndef LUMA_FOUNDATION_CORE_VSC_SESSION_MESSAGES_H_
#define LUMA_FOUNDATION_CORE_VSC_SESSION_MESSAGES_H_

#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

// CheckTransaction and CancelTransaction share one layout and carry no session.
class CTransactionRequest : public CRequestMessage {
 public:
  using CRequestMessage::CRequestMessage;

  DWORD GetRequestType() const { return requestType; }
  DWORD GetTransactionId() const { return transactionId; }
  void SetRequestType(DWORD value) { requestType = value; }
  void SetTransactionId(DWORD value) { transactionId = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD requestType = 0;
  DWORD transactionId = 0;
};

class CCheckTransactionRequest : public CTransactionRequest {
 public:
  CCheckTransactionRequest() : CTransactionRequest(MessageTypeCheckTransaction) {}
};

class CCancelTransactionRequest : public CTransactionRequest {
 public:
  CCancelTransactionRequest() : CTransactionRequest(MessageTypeCancelTransaction) {}
};

class COpenSessionRequest : public CRequestMessage {
 public:
  COpenSessionRequest() : CRequestMessage(MessageTypeOpenSession) {}

  WString GetReaderName() const { return readerName; }
  WString GetProcessPath() const { return processPath; }
  WString GetProcessVersion() const { return processVersion; }
  WString GetClientVersion() const { return clientVersion; }
  WString GetClientComputerName() const { return computerName; }
  void SetReaderName(const WString& value) { readerName = value; }
  void SetProcessPath(const WString& value) { processPath = value; }
  void SetProcessVersion(const WString& value) { processVersion = value; }
  void SetClientVersion(const WString& value) { clientVersion = value; }
  void SetClientComputerName(const WString& value) { computerName = value; }

  // The computer name is optional on reading: a request of six elements is valid.
  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString readerName;
  WString processPath;
  WString processVersion;
  WString clientVersion;
  WString computerName;
};

class COpenSessionResponse : public CResponseMessage {
 public:
  COpenSessionResponse() : CResponseMessage(MessageTypeOpenSession), sessionId(kSessionIdSize) {}

  const CSecureBuffer& GetSessionId() const { return sessionId; }
  DWORD GetContainerCount() const { return containerCount; }
  void SetSessionId(const CSecureBuffer& value) { sessionId = value; }
  void SetContainerCount(DWORD value) { containerCount = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer sessionId;
  DWORD containerCount = 0;
};

class CVerifySessionRequest : public CSessionRequest {
 public:
  CVerifySessionRequest() : CSessionRequest(MessageTypeVerifySession) {}
};

class CVerifySessionResponse : public CPaddedResponseMessage {
 public:
  CVerifySessionResponse() : CPaddedResponseMessage(MessageTypeVerifySession) {}
};

class CCloseSessionRequest : public CSessionRequest {
 public:
  CCloseSessionRequest() : CSessionRequest(MessageTypeCloseSession) {}
};

class CCloseSessionResponse : public CPaddedResponseMessage {
 public:
  CCloseSessionResponse() : CPaddedResponseMessage(MessageTypeCloseSession) {}
};

// GetContainerInfo and GetCertStoreInfo share one layout: the session and a container index.
class CContainerRequest : public CSessionRequest {
 public:
  using CSessionRequest::CSessionRequest;

  DWORD GetIndex() const { return index; }
  void SetIndex(DWORD value) { index = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD index = 0;
};

class CGetContainerInfoRequest : public CContainerRequest {
 public:
  CGetContainerInfoRequest() : CContainerRequest(MessageTypeGetContainerInfo) {}
};

class CGetCertStoreInfoRequest : public CContainerRequest {
 public:
  CGetCertStoreInfoRequest() : CContainerRequest(MessageTypeGetCertStoreInfo) {}
};

// The 92-byte container record: UTF-16LE name in 40 characters (zero-terminated), default flag,
// key spec and key length in bits.
struct ContainerInfoRecord {
  static constexpr DWORD kSize = 92;
  static constexpr DWORD kNameChars = 40;

  WString name;  // at most 39 characters are kept
  DWORD defaultFlag = 0;
  DWORD keySpec = 0;
  DWORD keyBits = 0;

  CSecureBuffer Encode() const;
  // False when the blob is not exactly 92 bytes long.
  static bool Decode(const CSecureBuffer& blob, ContainerInfoRecord& out);
};

// The 24-byte key record: six integers the client keeps as received.
struct ContainerKeyInfoRecord {
  static constexpr DWORD kSize = 24;
  static constexpr DWORD kKeyUsageSignOnly = 1;
  static constexpr DWORD kKeyUsageNoSignature = 2;
  static constexpr DWORD kKeyUsageNonRepudiation = 3;

  DWORD values[6] = {};

  // The record the server writes for a certificate context with the given marker and key usage
  // bits (digitalSignature 0x80, nonRepudiation 0x40).
  static ContainerKeyInfoRecord ForCertificate(DWORD marker, BYTE keyUsage);

  CSecureBuffer Encode() const;
  static bool Decode(const CSecureBuffer& blob, ContainerKeyInfoRecord& out);
};

class CGetContainerInfoResponse : public CResponseMessage {
 public:
  CGetContainerInfoResponse()
      : CResponseMessage(MessageTypeGetContainerInfo),
        containerInfo(ContainerInfoRecord::kSize),
        keyInfo(ContainerKeyInfoRecord::kSize) {}

  const CSecureBuffer& GetContainerInfo() const { return containerInfo; }
  const CSecureBuffer& GetKeyInfo() const { return keyInfo; }
  const CSecureBuffer& GetCertificate() const { return certificate; }
  void SetContainerInfo(const CSecureBuffer& value) { containerInfo = value; }
  void SetKeyInfo(const CSecureBuffer& value) { keyInfo = value; }
  void SetCertificate(const CSecureBuffer& value) { certificate = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer containerInfo;
  CSecureBuffer keyInfo;
  CSecureBuffer certificate;
};

class CGetCertStoreInfoResponse : public CResponseMessage {
 public:
  CGetCertStoreInfoResponse() : CResponseMessage(MessageTypeGetCertStoreInfo) {}

  DWORD GetAllowed() const { return allowed; }
  WString GetProviderName() const { return providerName; }
  DWORD GetProviderType() const { return providerType; }
  WString GetContainerName() const { return containerName; }
  DWORD GetKeySpec() const { return keySpec; }
  DWORD GetExpired() const { return expired; }
  WString GetFriendlyName() const { return friendlyName; }
  WString GetAccountKey() const { return accountKey; }
  WString GetCardReaderImage() const { return cardReaderImage; }
  void SetAllowed(DWORD value) { allowed = value; }
  void SetProviderName(const WString& value) { providerName = value; }
  void SetProviderType(DWORD value) { providerType = value; }
  void SetContainerName(const WString& value) { containerName = value; }
  void SetKeySpec(DWORD value) { keySpec = value; }
  void SetExpired(DWORD value) { expired = value; }
  void SetFriendlyName(const WString& value) { friendlyName = value; }
  void SetAccountKey(const WString& value) { accountKey = value; }
  void SetCardReaderImage(const WString& value) { cardReaderImage = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD allowed = 0;
  WString providerName;
  DWORD providerType = 0;
  WString containerName;
  DWORD keySpec = 0;
  DWORD expired = 0;
  WString friendlyName;
  WString accountKey;
  WString cardReaderImage;
};

// SignData and DecryptData share one layout.
class CCryptoRequest : public CSessionRequest {
 public:
  using CSessionRequest::CSessionRequest;

  WString GetContainerName() const { return containerName; }
  DWORD GetReserved() const { return reserved; }
  DWORD GetAlgorithmId() const { return algorithmId; }
  const CSecureBuffer& GetData() const { return data; }
  void SetContainerName(const WString& value) { containerName = value; }
  void SetReserved(DWORD value) { reserved = value; }
  void SetAlgorithmId(DWORD value) { algorithmId = value; }
  void SetData(const CSecureBuffer& value) { data = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString containerName;
  DWORD reserved = 0;
  DWORD algorithmId = 0;
  CSecureBuffer data;
};

class CSignDataRequest : public CCryptoRequest {
 public:
  CSignDataRequest() : CCryptoRequest(MessageTypeSignData) {}
};

class CDecryptDataRequest : public CCryptoRequest {
 public:
  CDecryptDataRequest() : CCryptoRequest(MessageTypeDecryptData) {}
};

class CCryptoResponse : public CResponseMessage {
 public:
  using CResponseMessage::CResponseMessage;

  const CSecureBuffer& GetResult() const { return result; }
  void SetResult(const CSecureBuffer& value) { result = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer result;
};

class CSignDataResponse : public CCryptoResponse {
 public:
  CSignDataResponse() : CCryptoResponse(MessageTypeSignData) {}
};

class CDecryptDataResponse : public CCryptoResponse {
 public:
  CDecryptDataResponse() : CCryptoResponse(MessageTypeDecryptData) {}
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_SESSION_MESSAGES_H_
