// The byte type of the whole system: a deep-copied block whose bytes are wiped before it is freed.
#ifndef LUMA_FOUNDATION_CORE_SECURE_BUFFER_H_
#define LUMA_FOUNDATION_CORE_SECURE_BUFFER_H_

#include "foundation/core/platform.h"

class CSecureBuffer {
 public:
  CSecureBuffer() = default;
  explicit CSecureBuffer(DWORD size);
  CSecureBuffer(DWORD size, const void* bytes);
  CSecureBuffer(const CSecureBuffer& other);
  CSecureBuffer(CSecureBuffer&& other) noexcept;
  CSecureBuffer& operator=(const CSecureBuffer& other);
  CSecureBuffer& operator=(CSecureBuffer&& other) noexcept;
  ~CSecureBuffer();

  bool operator==(const CSecureBuffer& other) const;
  bool operator!=(const CSecureBuffer& other) const { return !(*this == other); }
  bool operator<(const CSecureBuffer& other) const;

  // Appends the bytes; on an allocation failure the old contents stay unchanged.
  void Append(DWORD count, const void* bytes);
  // Reverses the byte order in place (big-endian integers to little-endian and back).
  void Reverse();
  // Wipes and frees the block; the buffer becomes empty.
  void Clear();

  bool empty() const { return size == 0; }

  // Open to the users, who read, write and index the bytes in place.
  DWORD size = 0;
  BYTE* data = nullptr;

 private:
  void CopyFrom(DWORD count, const void* bytes);
};

#endif  // LUMA_FOUNDATION_CORE_SECURE_BUFFER_H_
