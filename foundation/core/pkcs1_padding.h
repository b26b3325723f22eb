// PKCS#1 v1.5 block type 1 (signature) padding.
#ifndef LUMA_FOUNDATION_CORE_PKCS1_PADDING_H_
#define LUMA_FOUNDATION_CORE_PKCS1_PADDING_H_

#include "foundation/core/secure_buffer.h"

namespace luma {

// The payload (a DigestInfo) of a block 00 01 FF..FF 00 payload with at least eight FF bytes and
// at least one payload byte; an empty buffer when the block carries no such padding.
CSecureBuffer RemovePkcs1Type1Padding(const CSecureBuffer& block);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_PKCS1_PADDING_H_
