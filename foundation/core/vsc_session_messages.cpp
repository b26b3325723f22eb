#include "foundation/core/vsc_session_messages.h"

#include <algorithm>

#include "foundation/core/little_endian.h"

namespace VirtualSmartCardProtocol {

bool CTransactionRequest::Deserialize(CMessageSerialization& in) {
  return CRequestMessage::Deserialize(in) && in.GetDWORD(requestType) && in.GetDWORD(transactionId);
}

bool CTransactionRequest::Serialize(CMessageSerialization& out) const {
  return CRequestMessage::Serialize(out) && out.AddDWORD(requestType) && out.AddDWORD(transactionId);
}

bool COpenSessionRequest::Deserialize(CMessageSerialization& in) {
  if (!(CRequestMessage::Deserialize(in) && in.GetString(readerName) && in.GetString(processPath) &&
        in.GetString(processVersion) && in.GetString(clientVersion)))
    return false;
  computerName.clear();
  return !in.HasMoreElements() || in.GetString(computerName);
}

bool COpenSessionRequest::Serialize(CMessageSerialization& out) const {
  return CRequestMessage::Serialize(out) && out.AddString(readerName) && out.AddString(processPath) &&
         out.AddString(processVersion) && out.AddString(clientVersion) && out.AddString(computerName);
}

bool COpenSessionResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetBlob(sessionId) && in.GetDWORD(containerCount);
}

bool COpenSessionResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddBlob(sessionId) && out.AddDWORD(containerCount);
}

bool CContainerRequest::Deserialize(CMessageSerialization& in) {
  return CSessionRequest::Deserialize(in) && in.GetDWORD(index);
}

bool CContainerRequest::Serialize(CMessageSerialization& out) const {
  return CSessionRequest::Serialize(out) && out.AddDWORD(index);
}

CSecureBuffer ContainerInfoRecord::Encode() const {
  CSecureBuffer blob(kSize);
  if (blob.size != kSize) return blob;
  const size_t chars = std::min<size_t>(name.size(), kNameChars - 1);
  for (size_t i = 0; i < chars; ++i) {
    const auto unit = static_cast<std::uint16_t>(name[i]);
    blob.data[2 * i] = static_cast<BYTE>(unit);
    blob.data[2 * i + 1] = static_cast<BYTE>(unit >> 8);
  }
  luma::WriteLE32(blob.data + 80, defaultFlag);
  luma::WriteLE32(blob.data + 84, keySpec);
  luma::WriteLE32(blob.data + 88, keyBits);
  return blob;
}

bool ContainerInfoRecord::Decode(const CSecureBuffer& blob, ContainerInfoRecord& out) {
  if (blob.size != kSize) return false;
  WString text;
  for (DWORD i = 0; i < kNameChars; ++i) {
    const auto unit = static_cast<WString::value_type>(blob.data[2 * i] | blob.data[2 * i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  out.name = text;
  out.defaultFlag = luma::ReadLE32(blob.data + 80);
  out.keySpec = luma::ReadLE32(blob.data + 84);
  out.keyBits = luma::ReadLE32(blob.data + 88);
  return true;
}

ContainerKeyInfoRecord ContainerKeyInfoRecord::ForCertificate(DWORD marker, BYTE keyUsage) {
  ContainerKeyInfoRecord record;
  DWORD usageClass = kKeyUsageNoSignature;
  if (keyUsage & 0x80) usageClass = (keyUsage & 0x40) ? kKeyUsageNonRepudiation : kKeyUsageSignOnly;
  const DWORD values[6] = {marker, 0, 1, usageClass, 3, 0};
  std::copy(values, values + 6, record.values);
  return record;
}

CSecureBuffer ContainerKeyInfoRecord::Encode() const {
  CSecureBuffer blob(kSize);
  if (blob.size != kSize) return blob;
  for (int i = 0; i < 6; ++i) luma::WriteLE32(blob.data + 4 * i, values[i]);
  return blob;
}

bool ContainerKeyInfoRecord::Decode(const CSecureBuffer& blob, ContainerKeyInfoRecord& out) {
  if (blob.size != kSize) return false;
  for (int i = 0; i < 6; ++i) out.values[i] = luma::ReadLE32(blob.data + 4 * i);
  return true;
}

bool CGetContainerInfoResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetBlob(containerInfo) && in.GetBlob(keyInfo) &&
         in.GetBlob(certificate);
}

bool CGetContainerInfoResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddBlob(containerInfo) && out.AddBlob(keyInfo) &&
         out.AddBlob(certificate);
}

bool CGetCertStoreInfoResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetDWORD(allowed) && in.GetString(providerName) &&
         in.GetDWORD(providerType) && in.GetString(containerName) && in.GetDWORD(keySpec) &&
         in.GetDWORD(expired) && in.GetString(friendlyName) && in.GetString(accountKey) &&
         in.GetString(cardReaderImage);
}

bool CGetCertStoreInfoResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddDWORD(allowed) && out.AddString(providerName) &&
         out.AddDWORD(providerType) && out.AddString(containerName) && out.AddDWORD(keySpec) &&
         out.AddDWORD(expired) && out.AddString(friendlyName) && out.AddString(accountKey) &&
         out.AddString(cardReaderImage);
}

bool CCryptoRequest::Deserialize(CMessageSerialization& in) {
  return CSessionRequest::Deserialize(in) && in.GetString(containerName) && in.GetDWORD(reserved) &&
         in.GetDWORD(algorithmId) && in.GetBlob(data);
}

bool CCryptoRequest::Serialize(CMessageSerialization& out) const {
  return CSessionRequest::Serialize(out) && out.AddString(containerName) && out.AddDWORD(reserved) &&
         out.AddDWORD(algorithmId) && out.AddBlob(data);
}

bool CCryptoResponse::Deserialize(CMessageSerialization& in) {
  return CResponseMessage::Deserialize(in) && in.GetBlob(result);
}

bool CCryptoResponse::Serialize(CMessageSerialization& out) const {
  return CResponseMessage::Serialize(out) && out.AddBlob(result);
}

}  // namespace VirtualSmartCardProtocol
