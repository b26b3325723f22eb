#include "service/core/block_padding.h"

#include <cstring>

#include "service/core/enveloped_data.h"

namespace luma {
namespace service {

bool AddBlockPadding(const CSecureBuffer& plain, CSecureBuffer& padded) {
  const DWORD count = kCipherBlockSize - plain.size % kCipherBlockSize;
  if (plain.size > UINT32_MAX - count) return false;
  CSecureBuffer block(plain.size + count);
  if (block.size != plain.size + count) return false;
  if (!plain.empty()) std::memcpy(block.data, plain.data, plain.size);
  std::memset(block.data + plain.size, static_cast<int>(count), count);
  padded = std::move(block);
  return true;
}

bool RemoveBlockPadding(const CSecureBuffer& padded, CSecureBuffer& plain) {
  if (padded.empty() || padded.size % kCipherBlockSize != 0) return false;
  const BYTE count = padded.data[padded.size - 1];
  // Every byte of the last block is looked at, whatever the count says.
  BYTE wrong = static_cast<BYTE>((count == 0) | (count > kCipherBlockSize));
  for (DWORD i = 1; i <= kCipherBlockSize; ++i) {
    const BYTE inPadding = static_cast<BYTE>(i <= count);
    wrong |= static_cast<BYTE>(inPadding & (padded.data[padded.size - i] != count));
  }
  if (wrong) return false;
  CSecureBuffer content(padded.size - count, padded.data);
  if (content.size != padded.size - count) return false;
  plain = std::move(content);
  return true;
}

}  // namespace service
}  // namespace luma
