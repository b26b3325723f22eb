#include "foundation/core/vsc_account_messages.h"

namespace VirtualSmartCardProtocol {

bool CAddAccountRequest::Deserialize(CMessageSerialization& in) {
  return CBaseScopedRequest::Deserialize(in) && in.GetDWORD(persist) && ReadValueList(in, values);
}

bool CAddAccountRequest::Serialize(CMessageSerialization& out) const {
  return CBaseScopedRequest::Serialize(out) && out.AddDWORD(persist) && WriteValueList(out, values);
}

bool CAddAccountResponse::Deserialize(CMessageSerialization& in) {
  return CBaseErrorMessageResponse::Deserialize(in) && in.GetString(accountKey);
}

bool CAddAccountResponse::Serialize(CMessageSerialization& out) const {
  return CBaseErrorMessageResponse::Serialize(out) && out.AddString(accountKey);
}

bool CRefreshAccountResponse::Deserialize(CMessageSerialization& in) {
  return CBaseErrorMessageResponse::Deserialize(in) && in.GetDWORD(policyChanged);
}

bool CRefreshAccountResponse::Serialize(CMessageSerialization& out) const {
  return CBaseErrorMessageResponse::Serialize(out) && out.AddDWORD(policyChanged);
}

bool CGetCertificateInfoResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetString(alias) && in.GetString(accountKey) &&
         in.GetString(friendlyName) && in.GetString(policyNotification) && in.GetDWORD(certificateType) &&
         in.GetBlob(certificate) && in.GetDWORD(nextPinChange) && in.GetDWORD(minLength) &&
         in.GetDWORD(maxLength) && in.GetDWORD(minNumericCharacters) && in.GetDWORD(minSymbolCharacters) &&
         in.GetDWORD(minUpperCaseCharacters) && in.GetDWORD(minLowerCaseCharacters) &&
         in.GetDWORD(maxPinCacheTime) && in.GetDWORD(maxPinCacheReuse) && ReadStringList(in, processes);
}

bool CGetCertificateInfoResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddString(alias) && out.AddString(accountKey) &&
         out.AddString(friendlyName) && out.AddString(policyNotification) && out.AddDWORD(certificateType) &&
         out.AddBlob(certificate) && out.AddDWORD(nextPinChange) && out.AddDWORD(minLength) &&
         out.AddDWORD(maxLength) && out.AddDWORD(minNumericCharacters) && out.AddDWORD(minSymbolCharacters) &&
         out.AddDWORD(minUpperCaseCharacters) && out.AddDWORD(minLowerCaseCharacters) &&
         out.AddDWORD(maxPinCacheTime) && out.AddDWORD(maxPinCacheReuse) && WriteStringList(out, processes);
}

bool CValidatePINRequest::Deserialize(CMessageSerialization& in) {
  return CBaseScopedRequest::Deserialize(in) && in.GetBlob(pin) && in.GetDWORD(reserved);
}

bool CValidatePINRequest::Serialize(CMessageSerialization& out) const {
  return CBaseScopedRequest::Serialize(out) && out.AddBlob(pin) && out.AddDWORD(reserved);
}

bool CChangePINRequest::Deserialize(CMessageSerialization& in) {
  return CBaseScopedRequest::Deserialize(in) && in.GetBlob(oldPin) && in.GetBlob(newPin) &&
         in.GetDWORD(reserved);
}

bool CChangePINRequest::Serialize(CMessageSerialization& out) const {
  return CBaseScopedRequest::Serialize(out) && out.AddBlob(oldPin) && out.AddBlob(newPin) &&
         out.AddDWORD(reserved);
}

}  // namespace VirtualSmartCardProtocol
