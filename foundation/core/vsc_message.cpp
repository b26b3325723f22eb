#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

bool CRequestMessage::Deserialize(CMessageSerialization& in) {
  DWORD readType = 0;
  return in.GetDWORD(readType) && readType == type && in.GetDWORD(version);
}

bool CRequestMessage::Serialize(CMessageSerialization& out) const {
  return out.AddDWORD(type) && out.AddDWORD(version);
}

bool CSessionRequest::Deserialize(CMessageSerialization& in) {
  return CRequestMessage::Deserialize(in) && in.GetBlob(sessionId);
}

bool CSessionRequest::Serialize(CMessageSerialization& out) const {
  return CRequestMessage::Serialize(out) && out.AddBlob(sessionId);
}

bool CResponseMessage::Deserialize(CMessageSerialization& in) {
  DWORD readType = 0;
  return in.GetDWORD(readType) && readType == type && in.GetDWORD(version) && in.GetDWORD(status) &&
         in.GetDWORD(transactionId);
}

bool CResponseMessage::Serialize(CMessageSerialization& out) const {
  return out.AddDWORD(type) && out.AddDWORD(version) && out.AddDWORD(status) && out.AddDWORD(transactionId);
}

bool CPaddedResponseMessage::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && (!padded || out.AddDWORD(kPaddingValue));
}

}  // namespace VirtualSmartCardProtocol
