#include "pkcs11/core/byte_buffer.h"

#include <cstring>
#include <limits>
#include <utility>

#include "foundation/core/platform.h"

namespace {

constexpr std::size_t kMaxSize = std::numeric_limits<std::uint32_t>::max();

std::uint8_t* allocate(std::size_t size) {
  if (size == 0 || size > kMaxSize) return nullptr;
  return static_cast<std::uint8_t*>(luma::HeapBlockAlloc(size));
}

}  // namespace

CByteBuffer::CByteBuffer(std::size_t size) {
  bytes = allocate(size);
  if (bytes != nullptr) byteCount = static_cast<std::uint32_t>(size);
}

CByteBuffer::CByteBuffer(std::size_t size, const void* source) { assign(size, source); }

CByteBuffer CByteBuffer::fromByte(std::uint8_t value) { return CByteBuffer(1, &value); }

CByteBuffer CByteBuffer::fromUlong(std::uint32_t value) {
  const std::uint8_t littleEndian[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  return CByteBuffer(sizeof(littleEndian), littleEndian);
}

CByteBuffer::CByteBuffer(const CByteBuffer& other) { assign(other.byteCount, other.bytes); }

CByteBuffer::CByteBuffer(CByteBuffer&& other) noexcept
    : byteCount(std::exchange(other.byteCount, 0)), bytes(std::exchange(other.bytes, nullptr)) {}

CByteBuffer& CByteBuffer::operator=(const CByteBuffer& other) {
  if (this != &other) {
    clear();
    assign(other.byteCount, other.bytes);
  }
  return *this;
}

CByteBuffer& CByteBuffer::operator=(CByteBuffer&& other) noexcept {
  if (this != &other) {
    clear();
    byteCount = std::exchange(other.byteCount, 0);
    bytes = std::exchange(other.bytes, nullptr);
  }
  return *this;
}

CByteBuffer::~CByteBuffer() { clear(); }

bool CByteBuffer::operator==(const CByteBuffer& other) const {
  return byteCount == other.byteCount && (byteCount == 0 || std::memcmp(bytes, other.bytes, byteCount) == 0);
}

bool CByteBuffer::operator<(const CByteBuffer& other) const {
  if (byteCount != other.byteCount) return byteCount < other.byteCount;
  return byteCount != 0 && std::memcmp(bytes, other.bytes, byteCount) < 0;
}

bool CByteBuffer::append(const CByteBuffer& other) {
  if (other.empty()) return true;
  const std::size_t total = std::size_t{byteCount} + other.byteCount;
  std::uint8_t* grown = allocate(total);
  if (grown == nullptr) return false;
  if (byteCount != 0) std::memcpy(grown, bytes, byteCount);
  std::memcpy(grown + byteCount, other.bytes, other.byteCount);
  clear();
  bytes = grown;
  byteCount = static_cast<std::uint32_t>(total);
  return true;
}

void CByteBuffer::reverse() {
  for (std::uint32_t low = 0, high = byteCount; low + 1 < high; ++low, --high) {
    std::swap(bytes[low], bytes[high - 1]);
  }
}

void CByteBuffer::clear() {
  if (bytes != nullptr) {
    luma::SecureWipe(bytes, byteCount);
    luma::HeapBlockFree(bytes);
  }
  bytes = nullptr;
  byteCount = 0;
}

void CByteBuffer::assign(std::size_t size, const void* source) {
  if (size == 0 || source == nullptr) return;
  bytes = allocate(size);
  if (bytes == nullptr) return;
  std::memcpy(bytes, source, size);
  byteCount = static_cast<std::uint32_t>(size);
}
