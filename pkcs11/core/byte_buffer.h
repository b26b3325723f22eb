// The PKCS#11 module's byte string: attribute values, certificate hashes, signatures, PINs. A value
// type whose copies are deep and whose bytes are wiped before the block is freed. Allocation
// failures never throw: they leave the buffer empty (or unchanged, for append).
#ifndef LUMA_PKCS11_CORE_BYTE_BUFFER_H_
#define LUMA_PKCS11_CORE_BYTE_BUFFER_H_

#include <cstddef>
#include <cstdint>

class CByteBuffer {
 public:
  CByteBuffer() = default;
  // A block of `size` bytes for a platform call to fill (zeroed here all the same).
  explicit CByteBuffer(std::size_t size);
  // A copy of `size` bytes; size 0 gives an empty buffer.
  CByteBuffer(std::size_t size, const void* bytes);
  // The one-byte value of a CK_BBOOL.
  static CByteBuffer fromByte(std::uint8_t value);
  // The four little-endian bytes of a CK_ULONG.
  static CByteBuffer fromUlong(std::uint32_t value);

  CByteBuffer(const CByteBuffer& other);
  CByteBuffer(CByteBuffer&& other) noexcept;
  CByteBuffer& operator=(const CByteBuffer& other);
  CByteBuffer& operator=(CByteBuffer&& other) noexcept;
  ~CByteBuffer();

  bool operator==(const CByteBuffer& other) const;
  bool operator!=(const CByteBuffer& other) const { return !(*this == other); }
  // Shorter first; equal sizes compare as unsigned bytes.
  bool operator<(const CByteBuffer& other) const;

  // Appends the other buffer's bytes; when memory runs out nothing changes and false is returned.
  bool append(const CByteBuffer& other);
  // Reverses the byte order in place (big-endian integers to little-endian and back).
  void reverse();
  // Wipes and frees the block.
  void clear();

  std::uint32_t size() const { return byteCount; }
  bool empty() const { return byteCount == 0; }
  const std::uint8_t* data() const { return bytes; }
  std::uint8_t* data() { return bytes; }

 private:
  void assign(std::size_t size, const void* source);

  std::uint32_t byteCount = 0;
  std::uint8_t* bytes = nullptr;
};

#endif  // LUMA_PKCS11_CORE_BYTE_BUFFER_H_
