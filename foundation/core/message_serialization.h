// The wire format of the per-user pipe: a length header followed by typed elements
// (type, length, value; all integers 32-bit little-endian).
#ifndef LUMA_FOUNDATION_CORE_MESSAGE_SERIALIZATION_H_
#define LUMA_FOUNDATION_CORE_MESSAGE_SERIALIZATION_H_

#include <vector>

#include "foundation/core/secure_buffer.h"

enum : DWORD {
  ElementTypeDWORD = 1,
  ElementTypeString = 0x100,
  ElementTypeBlob = 0x10000,
};

class CSerializationElement {
 public:
  CSerializationElement() = default;
  CSerializationElement(DWORD elementType, const CSecureBuffer& elementValue)
      : type(elementType), value(elementValue) {}
  CSerializationElement(const CSerializationElement&) = default;
  CSerializationElement(CSerializationElement&&) = default;
  CSerializationElement& operator=(const CSerializationElement&) = default;
  CSerializationElement& operator=(CSerializationElement&&) = default;
  virtual ~CSerializationElement() = default;

  // Parses one element from at most `available` bytes. Returns the bytes consumed (8 + length),
  // or 0 with the last error ERROR_INVALID_DATA (ERROR_OUTOFMEMORY for an allocation failure).
  DWORD Deserialize(const BYTE* bytes, DWORD available);

  DWORD type = 0;
  CSecureBuffer value;
};

class CMessageSerialization {
 public:
  CMessageSerialization() = default;
  virtual ~CMessageSerialization() = default;

  // Writer side: each appends one element.
  bool AddDWORD(DWORD value);
  bool AddString(const WString& value);
  bool AddBlob(const CSecureBuffer& value);
  // The whole message as bytes; false (ERROR_OUTOFMEMORY) leaves out unchanged.
  bool Serialize(CSecureBuffer& out) const;

  // Reader side. Deserialize replaces the element list and resets the read cursor; any malformed
  // input gives false with ERROR_INVALID_DATA.
  bool Deserialize(const CSecureBuffer& in, DWORD& consumed);
  bool PeekElement(CSerializationElement& out) const;
  bool GetDWORD(DWORD& out);
  bool GetString(WString& out);
  bool GetBlob(CSecureBuffer& out);

  bool HasMoreElements() const { return readIndex < elements.size(); }
  DWORD ElementCount() const { return static_cast<DWORD>(elements.size()); }
  const std::vector<CSerializationElement>& Elements() const { return elements; }

 private:
  bool Append(DWORD type, CSecureBuffer value);
  const CSerializationElement* Current(DWORD expectedType) const;

  std::vector<CSerializationElement> elements;
  DWORD readIndex = 0;
};

#endif  // LUMA_FOUNDATION_CORE_MESSAGE_SERIALIZATION_H_
