// Messages that manage providers, accounts and certificates and validate or change PINs. None of
// them is sent by the provider plug-ins; the service answers them for any client.
#ifndef LUMA_FOUNDATION_CORE_VSC_ACCOUNT_MESSAGES_H_
#define LUMA_FOUNDATION_CORE_VSC_ACCOUNT_MESSAGES_H_

#include "foundation/core/vsc_message_bases.h"

namespace VirtualSmartCardProtocol {

// GetProviders carries the session header only.
class CGetProvidersRequest : public CSessionRequest {
 public:
  CGetProvidersRequest() : CSessionRequest(MessageTypeGetProviders) {}
};

class CGetProvidersResponse : public CListResponse {
 public:
  CGetProvidersResponse() : CListResponse(MessageTypeGetProviders) {}
};

class CGetProviderInfoRequest : public CBaseScopedRequest {
 public:
  CGetProviderInfoRequest() : CBaseScopedRequest(MessageTypeGetProviderInfo) {}
};

class CGetProviderInfoResponse : public CAuthenticationFieldResponse {
 public:
  CGetProviderInfoResponse() : CAuthenticationFieldResponse(MessageTypeGetProviderInfo) {}
};

// Scope: provider name; persist keeps the new account's policy in the policy store.
class CAddAccountRequest : public CBaseScopedRequest {
 public:
  CAddAccountRequest() : CBaseScopedRequest(MessageTypeAddAccount) {}

  DWORD GetPersist() const { return persist; }
  const std::vector<CAuthenticationValue>& GetValues() const { return values; }
  void SetPersist(DWORD v) { persist = v; }
  void SetValues(const std::vector<CAuthenticationValue>& v) { values = v; }
  void AddValue(const CAuthenticationValue& v) { values.push_back(v); }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD persist = 0;
  std::vector<CAuthenticationValue> values;
};

class CAddAccountResponse : public CBaseErrorMessageResponse {
 public:
  CAddAccountResponse() : CBaseErrorMessageResponse(MessageTypeAddAccount) {}

  WString GetAccountKey() const { return accountKey; }
  void SetAccountKey(const WString& v) { accountKey = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString accountKey;
};

class CRefreshAccountRequest : public CBaseScopedRequest {
 public:
  CRefreshAccountRequest() : CBaseScopedRequest(MessageTypeRefreshAccount) {}
};

class CRefreshAccountResponse : public CBaseErrorMessageResponse {
 public:
  CRefreshAccountResponse() : CBaseErrorMessageResponse(MessageTypeRefreshAccount) {}

  DWORD GetPolicyChanged() const { return policyChanged; }
  void SetPolicyChanged(DWORD v) { policyChanged = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD policyChanged = 1;
};

class CDeleteAccountRequest : public CBaseScopedRequest {
 public:
  CDeleteAccountRequest() : CBaseScopedRequest(MessageTypeDeleteAccount) {}
};

class CDeleteAccountResponse : public CBaseErrorMessageResponse {
 public:
  CDeleteAccountResponse() : CBaseErrorMessageResponse(MessageTypeDeleteAccount) {}
};

class CGetAccountsRequest : public CBaseScopedRequest {
 public:
  CGetAccountsRequest() : CBaseScopedRequest(MessageTypeGetAccounts) {}
};

class CGetAccountsResponse : public CListResponse {
 public:
  CGetAccountsResponse() : CListResponse(MessageTypeGetAccounts) {}
};

class CGetAccountInfoRequest : public CBaseScopedRequest {
 public:
  CGetAccountInfoRequest() : CBaseScopedRequest(MessageTypeGetAccountInfo) {}
};

class CGetAccountInfoResponse : public CAuthenticationFieldResponse {
 public:
  CGetAccountInfoResponse() : CAuthenticationFieldResponse(MessageTypeGetAccountInfo) {}
};

class CGetAccountAuthStateRequest : public CBaseScopedRequest {
 public:
  CGetAccountAuthStateRequest() : CBaseScopedRequest(MessageTypeGetAccountAuthState) {}
};

class CGetAccountAuthStateResponse : public CBaseErrorMessageResponse {
 public:
  CGetAccountAuthStateResponse() : CBaseErrorMessageResponse(MessageTypeGetAccountAuthState) {}
};

class CDeauthenticateAccountRequest : public CBaseScopedRequest {
 public:
  CDeauthenticateAccountRequest() : CBaseScopedRequest(MessageTypeDeauthenticateAccount) {}
};

class CDeauthenticateAccountResponse : public CBaseErrorMessageResponse {
 public:
  CDeauthenticateAccountResponse() : CBaseErrorMessageResponse(MessageTypeDeauthenticateAccount) {}
};

class CAuthenticateAccountRequest : public CBaseAuthenticationRequest {
 public:
  CAuthenticateAccountRequest() : CBaseAuthenticationRequest(MessageTypeAuthenticateAccount) {}
};

class CAuthenticateAccountResponse : public CBaseErrorMessageResponse {
 public:
  CAuthenticateAccountResponse() : CBaseErrorMessageResponse(MessageTypeAuthenticateAccount) {}
};

class CGetCertificatesRequest : public CBaseScopedRequest {
 public:
  CGetCertificatesRequest() : CBaseScopedRequest(MessageTypeGetCertificates) {}
};

class CGetCertificatesResponse : public CListResponse {
 public:
  CGetCertificatesResponse() : CListResponse(MessageTypeGetCertificates) {}
};

// Scope: key container name.
class CGetCertificateInfoRequest : public CBaseScopedRequest {
 public:
  CGetCertificateInfoRequest() : CBaseScopedRequest(MessageTypeGetCertificateInfo) {}
};

class CGetCertificateInfoResponse : public CResponseMessage {
 public:
  CGetCertificateInfoResponse() : CResponseMessage(MessageTypeGetCertificateInfo) {}

  WString GetAlias() const { return alias; }
  WString GetAccountKey() const { return accountKey; }
  WString GetFriendlyName() const { return friendlyName; }
  WString GetPolicyNotification() const { return policyNotification; }
  DWORD GetCertificateType() const { return certificateType; }
  const CSecureBuffer& GetCertificate() const { return certificate; }
  DWORD GetNextPinChange() const { return nextPinChange; }
  DWORD GetMinLength() const { return minLength; }
  DWORD GetMaxLength() const { return maxLength; }
  DWORD GetMinNumericCharacters() const { return minNumericCharacters; }
  DWORD GetMinSymbolCharacters() const { return minSymbolCharacters; }
  DWORD GetMinUpperCaseCharacters() const { return minUpperCaseCharacters; }
  DWORD GetMinLowerCaseCharacters() const { return minLowerCaseCharacters; }
  DWORD GetMaxPinCacheTime() const { return maxPinCacheTime; }
  DWORD GetMaxPinCacheReuse() const { return maxPinCacheReuse; }
  const std::vector<WString>& GetProcesses() const { return processes; }
  void SetAlias(const WString& v) { alias = v; }
  void SetAccountKey(const WString& v) { accountKey = v; }
  void SetFriendlyName(const WString& v) { friendlyName = v; }
  void SetPolicyNotification(const WString& v) { policyNotification = v; }
  void SetCertificateType(DWORD v) { certificateType = v; }
  void SetCertificate(const CSecureBuffer& v) { certificate = v; }
  void SetNextPinChange(DWORD v) { nextPinChange = v; }
  void SetMinLength(DWORD v) { minLength = v; }
  void SetMaxLength(DWORD v) { maxLength = v; }
  void SetMinNumericCharacters(DWORD v) { minNumericCharacters = v; }
  void SetMinSymbolCharacters(DWORD v) { minSymbolCharacters = v; }
  void SetMinUpperCaseCharacters(DWORD v) { minUpperCaseCharacters = v; }
  void SetMinLowerCaseCharacters(DWORD v) { minLowerCaseCharacters = v; }
  void SetMaxPinCacheTime(DWORD v) { maxPinCacheTime = v; }
  void SetMaxPinCacheReuse(DWORD v) { maxPinCacheReuse = v; }
  void SetProcesses(const std::vector<WString>& v) { processes = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString alias;
  WString accountKey;
  WString friendlyName;
  WString policyNotification;
  DWORD certificateType = 0;
  CSecureBuffer certificate;
  DWORD nextPinChange = 0;  // seconds since 1970, low 32 bits
  DWORD minLength = 0;
  DWORD maxLength = 0;
  DWORD minNumericCharacters = 0;
  DWORD minSymbolCharacters = 0;
  DWORD minUpperCaseCharacters = 0;
  DWORD minLowerCaseCharacters = 0;
  DWORD maxPinCacheTime = 0;
  DWORD maxPinCacheReuse = 0;
  std::vector<WString> processes;
};

// Scope: certificate alias. The service does not read the PIN or the reserved value.
class CValidatePINRequest : public CBaseScopedRequest {
 public:
  CValidatePINRequest() : CBaseScopedRequest(MessageTypeValidatePIN) {}

  const CSecureBuffer& GetPin() const { return pin; }
  DWORD GetReserved() const { return reserved; }
  void SetPin(const CSecureBuffer& v) { pin = v; }
  void SetReserved(DWORD v) { reserved = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer pin;
  DWORD reserved = 0;
};

class CValidatePINResponse : public CBaseErrorMessageResponse {
 public:
  CValidatePINResponse() : CBaseErrorMessageResponse(MessageTypeValidatePIN) {}
};

// Scope: certificate alias. The service does not read the PINs or the reserved value.
class CChangePINRequest : public CBaseScopedRequest {
 public:
  CChangePINRequest() : CBaseScopedRequest(MessageTypeChangePIN) {}

  const CSecureBuffer& GetOldPin() const { return oldPin; }
  const CSecureBuffer& GetNewPin() const { return newPin; }
  DWORD GetReserved() const { return reserved; }
  void SetOldPin(const CSecureBuffer& v) { oldPin = v; }
  void SetNewPin(const CSecureBuffer& v) { newPin = v; }
  void SetReserved(DWORD v) { reserved = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  CSecureBuffer oldPin;
  CSecureBuffer newPin;
  DWORD reserved = 0;
};

class CChangePINResponse : public CBaseErrorMessageResponse {
 public:
  CChangePINResponse() : CBaseErrorMessageResponse(MessageTypeChangePIN) {}
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_ACCOUNT_MESSAGES_H_
