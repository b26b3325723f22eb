#include "foundation/core/message_serialization.h"

#include <cstring>
#include <new>

#include "foundation/core/little_endian.h"

using luma::ReadLE32;
using luma::WriteLE32;

namespace {
constexpr DWORD kHeaderSize = 4;
constexpr DWORD kElementHeaderSize = 8;

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

DWORD FailZero(DWORD error) {
  SetLastError(error);
  return 0;
}
}  // namespace

DWORD CSerializationElement::Deserialize(const BYTE* bytes, DWORD available) {
  value.Clear();
  type = 0;
  if (bytes == nullptr || available < kElementHeaderSize) return FailZero(ERROR_INVALID_DATA);
  const DWORD elementType = ReadLE32(bytes);
  const DWORD length = ReadLE32(bytes + 4);
  if (length > available - kElementHeaderSize) return FailZero(ERROR_INVALID_DATA);
  if (length != 0) {
    CSecureBuffer copy(length, bytes + kElementHeaderSize);
    if (copy.size != length) return FailZero(ERROR_OUTOFMEMORY);
    value = std::move(copy);
  }
  type = elementType;
  return kElementHeaderSize + length;
}

bool CMessageSerialization::Append(DWORD type, CSecureBuffer bytes) {
  try {
    elements.emplace_back();
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_OUTOFMEMORY);
  }
  elements.back().type = type;
  elements.back().value = std::move(bytes);
  return true;
}

bool CMessageSerialization::AddDWORD(DWORD value) {
  BYTE bytes[4];
  WriteLE32(bytes, value);
  CSecureBuffer buffer(sizeof bytes, bytes);
  if (buffer.size != sizeof bytes) return Fail(ERROR_OUTOFMEMORY);
  return Append(ElementTypeDWORD, std::move(buffer));
}

bool CMessageSerialization::AddString(const WString& value) {
  if (value.size() > (UINT32_MAX - kHeaderSize - kElementHeaderSize) / 2) return Fail(ERROR_OUTOFMEMORY);
  const DWORD length = static_cast<DWORD>(value.size() * 2);
  CSecureBuffer buffer(length);
  if (buffer.size != length) return Fail(ERROR_OUTOFMEMORY);
  for (size_t i = 0; i < value.size(); ++i) {
    const auto unit = static_cast<std::uint16_t>(value[i]);
    buffer.data[2 * i] = static_cast<BYTE>(unit);
    buffer.data[2 * i + 1] = static_cast<BYTE>(unit >> 8);
  }
  return Append(ElementTypeString, std::move(buffer));
}

bool CMessageSerialization::AddBlob(const CSecureBuffer& value) {
  CSecureBuffer copy(value);
  if (copy.size != value.size) return Fail(ERROR_OUTOFMEMORY);
  return Append(ElementTypeBlob, std::move(copy));
}

bool CMessageSerialization::Serialize(CSecureBuffer& out) const {
  DWORD total = 0;
  for (const auto& element : elements) {
    if (element.value.size > UINT32_MAX - kHeaderSize - kElementHeaderSize - total)
      return Fail(ERROR_OUTOFMEMORY);
    total += kElementHeaderSize + element.value.size;
  }
  CSecureBuffer bytes(total + kHeaderSize);
  if (bytes.size != total + kHeaderSize) return Fail(ERROR_OUTOFMEMORY);
  WriteLE32(bytes.data, total);
  BYTE* p = bytes.data + kHeaderSize;
  for (const auto& element : elements) {
    WriteLE32(p, element.type);
    WriteLE32(p + 4, element.value.size);
    if (element.value.size != 0) std::memcpy(p + 8, element.value.data, element.value.size);
    p += kElementHeaderSize + element.value.size;
  }
  out = std::move(bytes);
  return true;
}

bool CMessageSerialization::Deserialize(const CSecureBuffer& in, DWORD& consumed) {
  readIndex = 0;
  elements.clear();
  consumed = 0;
  if (in.size < kHeaderSize) return Fail(ERROR_INVALID_DATA);
  const DWORD total = ReadLE32(in.data);
  if (total > in.size - kHeaderSize) return Fail(ERROR_INVALID_DATA);
  if (total == 0) {
    consumed = kHeaderSize;
    return true;
  }
  if (total < kElementHeaderSize) return Fail(ERROR_INVALID_DATA);
  // Every element must lie within the declared total; bytes behind it are not part of the message.
  const DWORD end = kHeaderSize + total;
  DWORD offset = kHeaderSize;
  while (offset < end) {
    CSerializationElement element;
    const DWORD used = element.Deserialize(in.data + offset, end - offset);
    if (used == 0) return Fail(ERROR_INVALID_DATA);
    try {
      elements.push_back(std::move(element));
    } catch (const std::bad_alloc&) {
      return Fail(ERROR_INVALID_DATA);
    }
    offset += used;
  }
  consumed = end;
  return true;
}

const CSerializationElement* CMessageSerialization::Current(DWORD expectedType) const {
  if (readIndex >= elements.size()) return nullptr;
  const CSerializationElement& element = elements[readIndex];
  return element.type == expectedType ? &element : nullptr;
}

bool CMessageSerialization::PeekElement(CSerializationElement& out) const {
  if (readIndex >= elements.size()) return false;
  out = elements[readIndex];
  return true;
}

bool CMessageSerialization::GetDWORD(DWORD& out) {
  const CSerializationElement* element = Current(ElementTypeDWORD);
  // A shorter integer element is refused like a type mismatch; the writer always sends four bytes.
  if (element == nullptr || element->value.size < 4) return false;
  out = ReadLE32(element->value.data);
  ++readIndex;
  return true;
}

bool CMessageSerialization::GetString(WString& out) {
  const CSerializationElement* element = Current(ElementTypeString);
  if (element == nullptr) return false;
  WString text;
  const DWORD units = element->value.size / 2;
  try {
    text.resize(units);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (DWORD i = 0; i < units; ++i) {
    const BYTE* p = element->value.data + 2 * i;
    text[i] = static_cast<WString::value_type>(p[0] | p[1] << 8);
  }
  out.swap(text);
  if (!text.empty()) luma::SecureWipe(&text[0], text.size() * sizeof(text[0]));
  ++readIndex;
  return true;
}

bool CMessageSerialization::GetBlob(CSecureBuffer& out) {
  const CSerializationElement* element = Current(ElementTypeBlob);
  if (element == nullptr) return false;
  CSecureBuffer copy(element->value);
  if (copy.size != element->value.size) return false;
  out = std::move(copy);
  ++readIndex;
  return true;
}
