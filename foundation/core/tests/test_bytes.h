// Small helpers shared by the core tests.
#ifndef LUMA_FOUNDATION_CORE_TESTS_TEST_BYTES_H_
#define LUMA_FOUNDATION_CORE_TESTS_TEST_BYTES_H_

#include <initializer_list>
#include <ostream>
#include <vector>

#include "foundation/core/message_serialization.h"

inline CSecureBuffer Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> bytes;
  for (int v : values) bytes.push_back(static_cast<BYTE>(v));
  return CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
}

// Lets test failures show the bytes rather than the object.
inline void PrintTo(const CSecureBuffer& buffer, std::ostream* os) {
  static const char hex[] = "0123456789ABCDEF";
  *os << buffer.size << " bytes:";
  for (DWORD i = 0; i < buffer.size && i < 64; ++i)
    *os << ' ' << hex[buffer.data[i] >> 4] << hex[buffer.data[i] & 15];
  if (buffer.size > 64) *os << " ...";
}

inline std::vector<BYTE> ToVector(const CSecureBuffer& buffer) {
  return std::vector<BYTE>(buffer.data, buffer.data + buffer.size);
}

// Serializes a message object into wire bytes.
template <typename Message>
CSecureBuffer ToWire(const Message& message) {
  CMessageSerialization s;
  CSecureBuffer bytes;
  if (!message.Serialize(s) || !s.Serialize(bytes)) return CSecureBuffer();
  return bytes;
}

// Parses wire bytes into a message object; false when either step fails.
template <typename Message>
bool FromWire(const CSecureBuffer& bytes, Message& message) {
  CMessageSerialization s;
  DWORD consumed = 0;
  return s.Deserialize(bytes, consumed) && message.Deserialize(s);
}

#endif  // LUMA_FOUNDATION_CORE_TESTS_TEST_BYTES_H_
