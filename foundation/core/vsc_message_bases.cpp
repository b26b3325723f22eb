#include "foundation/core/vsc_message_bases.h"

#include <utility>

namespace VirtualSmartCardProtocol {
namespace {
template <typename T, typename ReadItem>
bool ReadList(CMessageSerialization& in, std::vector<T>& items, ReadItem readItem) {
  items.clear();
  DWORD count = 0;
  if (!in.GetDWORD(count)) return false;
  // The count is untrusted: grow only with items actually read, so a huge count fails at the end
  // of the message instead of reserving memory for it.
  std::vector<T> read;
  for (DWORD i = 0; i < count; ++i) {
    if (!in.HasMoreElements()) return false;
    T item;
    if (!readItem(in, item)) return false;
    read.push_back(std::move(item));
  }
  items.swap(read);
  return true;
}

template <typename T, typename WriteItem>
bool WriteList(CMessageSerialization& out, const std::vector<T>& items, WriteItem writeItem) {
  if (static_cast<std::uint64_t>(items.size()) > UINT32_MAX) return false;
  if (!out.AddDWORD(static_cast<DWORD>(items.size()))) return false;
  for (const T& item : items)
    if (!writeItem(out, item)) return false;
  return true;
}

template <typename Record>
bool ReadRecord(CMessageSerialization& in, Record& record) {
  return record.Deserialize(in);
}

template <typename Record>
bool WriteRecord(CMessageSerialization& out, const Record& record) {
  return record.Serialize(out);
}

bool ReadString(CMessageSerialization& in, WString& text) { return in.GetString(text); }
bool WriteString(CMessageSerialization& out, const WString& text) { return out.AddString(text); }
}  // namespace

bool ReadStringList(CMessageSerialization& in, std::vector<WString>& items) {
  return ReadList(in, items, ReadString);
}

bool WriteStringList(CMessageSerialization& out, const std::vector<WString>& items) {
  return WriteList(out, items, WriteString);
}

bool ReadValueList(CMessageSerialization& in, std::vector<CAuthenticationValue>& items) {
  return ReadList(in, items, ReadRecord<CAuthenticationValue>);
}

bool WriteValueList(CMessageSerialization& out, const std::vector<CAuthenticationValue>& items) {
  return WriteList(out, items, WriteRecord<CAuthenticationValue>);
}

bool CAuthenticationField::Deserialize(CMessageSerialization& in) {
  return in.GetDWORD(id) && in.GetDWORD(kind) && in.GetDWORD(flags) && in.GetString(label) &&
         in.GetString(toolTip) && in.GetBlob(value);
}

bool CAuthenticationField::Serialize(CMessageSerialization& out) const {
  return out.AddDWORD(id) && out.AddDWORD(kind) && out.AddDWORD(flags) && out.AddString(label) &&
         out.AddString(toolTip) && out.AddBlob(value);
}

bool CAuthenticationValue::Deserialize(CMessageSerialization& in) {
  return in.GetDWORD(id) && in.GetBlob(value);
}

bool CAuthenticationValue::Serialize(CMessageSerialization& out) const {
  return out.AddDWORD(id) && out.AddBlob(value);
}

bool CBaseScopedRequest::Deserialize(CMessageSerialization& in) {
  return CSessionRequest::Deserialize(in) && in.GetString(scope);
}

bool CBaseScopedRequest::Serialize(CMessageSerialization& out) const {
  return CSessionRequest::Serialize(out) && out.AddString(scope);
}

bool CBaseAuthenticationRequest::Deserialize(CMessageSerialization& in) {
  return CBaseScopedRequest::Deserialize(in) && ReadValueList(in, values);
}

bool CBaseAuthenticationRequest::Serialize(CMessageSerialization& out) const {
  return CBaseScopedRequest::Serialize(out) && WriteValueList(out, values);
}

bool CListResponse::Deserialize(CMessageSerialization& in) {
  return CPaddedResponseMessage::Deserialize(in) && ReadStringList(in, items);
}

bool CListResponse::Serialize(CMessageSerialization& out) const {
  return CPaddedResponseMessage::Serialize(out) && WriteStringList(out, items);
}

void CAuthenticationFieldResponse::SetField(const CAuthenticationField& field) {
  for (auto& existing : fields) {
    if (existing.GetId() != field.GetId()) continue;
    if (&existing != &field) existing = field;
    return;
  }
  fields.push_back(field);
}

bool CAuthenticationFieldResponse::Deserialize(CMessageSerialization& in) {
  return CPaddedResponseMessage::Deserialize(in) && in.GetDWORD(interaction) && in.GetDWORD(method) &&
         ReadList(in, fields, ReadRecord<CAuthenticationField>);
}

bool CAuthenticationFieldResponse::Serialize(CMessageSerialization& out) const {
  return CPaddedResponseMessage::Serialize(out) && out.AddDWORD(interaction) && out.AddDWORD(method) &&
         WriteList(out, fields, WriteRecord<CAuthenticationField>);
}

bool CBaseErrorMessageResponse::Deserialize(CMessageSerialization& in) {
  return CPaddedResponseMessage::Deserialize(in) && in.GetString(errorMessage);
}

bool CBaseErrorMessageResponse::Serialize(CMessageSerialization& out) const {
  return CPaddedResponseMessage::Serialize(out) && out.AddString(errorMessage);
}

}  // namespace VirtualSmartCardProtocol
