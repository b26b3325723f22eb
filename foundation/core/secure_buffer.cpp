#include "foundation/core/secure_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

CSecureBuffer::CSecureBuffer(DWORD count) {
  if (count == 0) return;
  data = static_cast<BYTE*>(luma::HeapBlockAlloc(count));
  if (data != nullptr) size = m_capacity = count;
}

CSecureBuffer::CSecureBuffer(DWORD count, const void* bytes) { CopyFrom(count, bytes); }

CSecureBuffer::CSecureBuffer(const CSecureBuffer& other) { CopyFrom(other.size, other.data); }

CSecureBuffer::CSecureBuffer(CSecureBuffer&& other) noexcept
    : size(std::exchange(other.size, 0)),
      data(std::exchange(other.data, nullptr)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

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
    m_capacity = std::exchange(other.m_capacity, 0);
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
  if (count > UINT32_MAX - size) return;
  const DWORD needed = size + count;
  if (needed <= m_capacity) {
    std::memcpy(data + size, bytes, count);
    size = needed;
    return;
  }
  // Doubling keeps a run of appends linear; the first append takes the exact size, so a buffer
  // filled once holds no slack.
  const DWORD doubled = size > UINT32_MAX / 2 ? UINT32_MAX : size * 2;
  Regrow(data == nullptr ? needed : std::max(needed, doubled), bytes, count);
}

bool CSecureBuffer::Reserve(DWORD total) { return total <= m_capacity || Regrow(total, nullptr, 0); }

bool CSecureBuffer::Regrow(DWORD total, const void* tail, DWORD tailCount) {
  // A fresh block rather than a reallocation, so the old bytes are wiped before they go back. The
  // tail is copied before the old block is freed: it may lie inside it.
  BYTE* grown = static_cast<BYTE*>(luma::HeapBlockAlloc(total));
  if (grown == nullptr) return false;
  const DWORD kept = size;
  if (kept != 0) std::memcpy(grown, data, kept);
  if (tailCount != 0) std::memcpy(grown + kept, tail, tailCount);
  Clear();
  data = grown;
  size = kept + tailCount;
  m_capacity = total;
  return true;
}

void CSecureBuffer::Reverse() {
  for (DWORD i = 0; i < size / 2; ++i) std::swap(data[i], data[size - 1 - i]);
}

void CSecureBuffer::Clear() {
  if (data == nullptr) return;
  luma::SecureWipe(data, m_capacity);
  luma::HeapBlockFree(data);
  data = nullptr;
  size = m_capacity = 0;
}

void CSecureBuffer::CopyFrom(DWORD count, const void* bytes) {
  if (count == 0) return;
  BYTE* block = static_cast<BYTE*>(luma::HeapBlockAlloc(count));
  if (block == nullptr) return;
  std::memcpy(block, bytes, count);
  data = block;
  size = m_capacity = count;
}
