#include "foundation/core/vsc_pin_messages.h"

namespace VirtualSmartCardProtocol {

bool CGetAuthenticationStateRequest::Deserialize(CMessageSerialization& in) {
  return CSessionRequest::Deserialize(in) && in.GetString(name) && in.GetDWORD(value);
}

bool CGetAuthenticationStateRequest::Serialize(CMessageSerialization& out) const {
  return CSessionRequest::Serialize(out) && out.AddString(name) && out.AddDWORD(value);
}

bool CGetAuthenticationStateResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetDWORD(first) && in.GetDWORD(second);
}

bool CGetAuthenticationStateResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddDWORD(first) && out.AddDWORD(second);
}

bool CPinIdRequest::Deserialize(CMessageSerialization& in) {
  return CSessionRequest::Deserialize(in) && in.GetDWORD(pinId);
}

bool CPinIdRequest::Serialize(CMessageSerialization& out) const {
  return CSessionRequest::Serialize(out) && out.AddDWORD(pinId);
}

bool CPinSecretRequest::Deserialize(CMessageSerialization& in) {
  return CPinIdRequest::Deserialize(in) && in.GetBlob(secret);
}

bool CPinSecretRequest::Serialize(CMessageSerialization& out) const {
  return CPinIdRequest::Serialize(out) && out.AddBlob(secret);
}

bool CPinResultResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetDWORD(pinResult) && in.GetBlob(token) &&
         in.GetDWORD(remaining);
}

bool CPinResultResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddDWORD(pinResult) && out.AddBlob(token) &&
         out.AddDWORD(remaining);
}

bool CAuthenticateSessionPINResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetDWORD(pinResult) && in.GetDWORD(remaining);
}

bool CAuthenticateSessionPINResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddDWORD(pinResult) && out.AddDWORD(remaining);
}

}  // namespace VirtualSmartCardProtocol
