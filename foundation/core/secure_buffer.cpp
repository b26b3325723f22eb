#include "foundation/core/secure_buffer.h"

#include <cstring>
#include <utility>

CSecureBuffer::CSecureBuffer(DWORD count) {
  if (count == 0) return;
  data = static_cast<BYTE*>(luma::HeapBlockAlloc(count));
  if (data != nullptr) size = count;
}

CSecureBuffer::CSecureBuffer(DWORD count, const void* bytes) { CopyFrom(count, bytes); }

CSecureBuffer::CSecureBuffer(const CSecureBuffer& other) { CopyFrom(other.size, other.data); }

CSecureBuffer::CSecureBuffer(CSecureBuffer&& other) noexcept
    : size(std::exchange(other.size, 0)), data(std::exchange(other.data, nullptr)) {}

CSecureBuffer& CSecureBuffer::operator=(const CSecureBuffer& other) {
  if (*this == other) return *this;  // also covers self-assignment: the block stays untouched
  Clear();
  CopyFrom(other.size, other.data);
  return *this;
}

CSecureBuffer& CSecureBuffer::operator=(CSecureBuffer&& other) noexcept {
  if (this != &other) {
    Clear();
    size = std::exchange(other.size, 0);
    data = std::exchange(other.data, nullptr);
  }
  return *this;
}

CSecureBuffer::~CSecureBuffer() { Clear(); }

bool CSecureBuffer::operator==(const CSecureBuffer& other) const {
  if (size != other.size) return false;
  return size == 0 || std::memcmp(data, other.data, size) == 0;
}

bool CSecureBuffer::operator<(const CSecureBuffer& other) const {
  if (size != other.size) return size < other.size;
  return size != 0 && std::memcmp(data, other.data, size) < 0;  // memcmp compares unsigned bytes
}

void CSecureBuffer::Append(DWORD count, const void* bytes) {
  if (count == 0) return;
  if (data == nullptr) {
    CopyFrom(count, bytes);
    return;
  }
  if (count > UINT32_MAX - size) return;
  // A fresh block rather than a reallocation, so the old bytes are wiped before they go back.
  BYTE* grown = static_cast<BYTE*>(luma::HeapBlockAlloc(size + count));
  if (grown == nullptr) return;
  std::memcpy(grown, data, size);
  std::memcpy(grown + size, bytes, count);
  const DWORD newSize = size + count;
  Clear();
  data = grown;
  size = newSize;
}

void CSecureBuffer::Reverse() {
  for (DWORD i = 0; i < size / 2; ++i) std::swap(data[i], data[size - 1 - i]);
}

void CSecureBuffer::Clear() {
  if (data == nullptr) return;
  luma::SecureWipe(data, size);
  luma::HeapBlockFree(data);
  data = nullptr;
  size = 0;
}

void CSecureBuffer::CopyFrom(DWORD count, const void* bytes) {
  if (count == 0) return;
  BYTE* block = static_cast<BYTE*>(luma::HeapBlockAlloc(count));
  if (block == nullptr) return;
  std::memcpy(block, bytes, count);
  data = block;
  size = count;
}
