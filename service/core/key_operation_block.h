// Which remote key operation a SignData block asks for: a block with PKCS#1 type-1 padding is a
// signature of the DigestInfo inside it; a block without padding must be exactly as long as the key
// and goes through the raw RSA operation unchanged (callers that pad themselves); anything else is
// refused.
#ifndef LUMA_SERVICE_CORE_KEY_OPERATION_BLOCK_H_
#define LUMA_SERVICE_CORE_KEY_OPERATION_BLOCK_H_

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace service {

enum class SignBlockKind {
  kDigestInfo,  // payload: the DigestInfo after the padding's separator
  kRawBlock,    // payload: the whole block
  kWrongLength,
};

struct SignBlock {
  SignBlockKind kind = SignBlockKind::kWrongLength;
  CSecureBuffer payload;
};

// The key length in whole bytes (bits divided by 8, rounded up).
DWORD KeyLengthInBytes(DWORD keyBits);

SignBlock ClassifySignBlock(const CSecureBuffer& block, DWORD keyBits);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_KEY_OPERATION_BLOCK_H_
