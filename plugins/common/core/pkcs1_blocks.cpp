#include "plugins/common/core/pkcs1_blocks.h"

#include <cstring>

#include "foundation/core/der_structures.h"

namespace luma::plugin {

DigestAlgorithm DigestAlgorithmOf(DWORD algId) {
  if (algId == kAlgSsl3ShaMd5) return {DigestInfoForm::kBareHash, nullptr};
  if (const der::DigestInfoHash* hash = der::DigestInfoHashOf(algId))
    return {DigestInfoForm::kDigestInfo, hash->oid};
  return {DigestInfoForm::kRefused, nullptr};
}

bool PadPkcs1Type1(const CSecureBuffer& payload, DWORD blockLength, CSecureBuffer& block) {
  if (blockLength < kPkcs1MinimumOverhead || payload.size > blockLength - kPkcs1MinimumOverhead) return false;
  CSecureBuffer padded(blockLength);
  if (padded.size != blockLength) return false;
  const DWORD separator = blockLength - payload.size - 1;
  padded.data[1] = 0x01;
  std::memset(padded.data + 2, 0xFF, separator - 2);
  if (payload.size > 0) std::memcpy(padded.data + separator + 1, payload.data, payload.size);
  block = std::move(padded);
  return true;
}

CSecureBuffer RemovePkcs1Type2Padding(const CSecureBuffer& block) {
  constexpr DWORD kFirstSeparator = 10;  // 00 02 and eight non-zero bytes come before it
  if (block.size < kPkcs1MinimumOverhead + 1 || block.data[0] != 0x00 || block.data[1] != 0x02) {
    return CSecureBuffer();
  }
  DWORD separator = 2;
  while (separator < block.size && block.data[separator] != 0) ++separator;
  if (separator < kFirstSeparator || separator > block.size - 2) return CSecureBuffer();
  return CSecureBuffer(block.size - separator - 1, block.data + separator + 1);
}

CSecureBuffer XorBuffers(const CSecureBuffer& a, const CSecureBuffer& b) {
  if (a.size != b.size || a.size == 0) return CSecureBuffer();
  CSecureBuffer result(a.size);
  if (result.size != a.size) return CSecureBuffer();
  for (DWORD i = 0; i < a.size; ++i) result.data[i] = a.data[i] ^ b.data[i];
  return result;
}

CSecureBuffer ExtractOaepMessage(BYTE y, const CSecureBuffer& dataBlock, const CSecureBuffer& labelHash) {
  if (labelHash.empty() || dataBlock.size <= labelHash.size) return CSecureBuffer();
  // Every byte is looked at whatever the outcome, so the time taken tells little about the block.
  BYTE difference = y;
  for (DWORD i = 0; i < labelHash.size; ++i) difference |= dataBlock.data[i] ^ labelHash.data[i];
  DWORD marker = dataBlock.size;
  for (DWORD i = labelHash.size; i < dataBlock.size; ++i) {
    if (dataBlock.data[i] != 0) {
      marker = i;
      break;
    }
  }
  if (difference != 0 || marker == dataBlock.size || dataBlock.data[marker] != 0x01) return CSecureBuffer();
  return CSecureBuffer(dataBlock.size - marker - 1, dataBlock.data + marker + 1);
}

}  // namespace luma::plugin
