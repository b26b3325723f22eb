// The byte type of the whole system: a deep-copied block whose bytes are wiped before it is freed.
// The block may be larger than the bytes in use (its capacity), so that appending grows it
// geometrically; every block is wiped over its whole capacity before it goes back to the heap.
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

  // Appends the bytes, growing the block geometrically when it is full (so n appends cost O(n) in
  // all); on an allocation failure the old contents stay unchanged.
  void Append(DWORD count, const void* bytes);
  // Makes room for at least `total` bytes without changing the contents; false when memory runs
  // out (the contents then stay unchanged).
  bool Reserve(DWORD total);
  DWORD capacity() const { return m_capacity; }
  // Reverses the byte order in place (big-endian integers to little-endian and back).
  void Reverse();
  // Wipes and frees the block (its whole capacity); the buffer becomes empty.
  void Clear();

  bool empty() const { return size == 0; }

  // Open to the users, who read, write and index the bytes in place. A user may shorten `size`
  // (never lengthen it); the block keeps its capacity and is still wiped whole.
  DWORD size = 0;
  BYTE* data = nullptr;

 private:
  void CopyFrom(DWORD count, const void* bytes);
  // Moves the contents, then the tail, into a fresh block of `total` bytes, wiping and freeing the
  // old one; false (nothing changed) when memory runs out.
  bool Regrow(DWORD total, const void* tail, DWORD tailCount);

  DWORD m_capacity = 0;
};

#endif  // LUMA_FOUNDATION_CORE_SECURE_BUFFER_H_
