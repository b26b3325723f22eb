#include "service/core/key_operation_block.h"

#include "foundation/core/pkcs1_padding.h"

namespace luma {
namespace service {

DWORD KeyLengthInBytes(DWORD keyBits) { return keyBits / 8 + (keyBits % 8 != 0 ? 1 : 0); }

SignBlock ClassifySignBlock(const CSecureBuffer& block, DWORD keyBits) {
  SignBlock result;
  result.payload = RemovePkcs1Type1Padding(block);
  if (!result.payload.empty()) {
    result.kind = SignBlockKind::kDigestInfo;
    return result;
  }
  if (block.size != KeyLengthInBytes(keyBits) || block.empty()) return result;
  result.kind = SignBlockKind::kRawBlock;
  result.payload = block;
  return result;
}

}  // namespace service
}  // namespace luma
