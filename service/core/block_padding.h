// PKCS#7 padding of the AES-256-CBC content of an envelope: 1 to 16 bytes, each holding the count.
#ifndef LUMA_SERVICE_CORE_BLOCK_PADDING_H_
#define LUMA_SERVICE_CORE_BLOCK_PADDING_H_

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace service {

// The bytes followed by their padding (a whole block when the size already is a multiple of 16);
// false when memory ran out, padded then unchanged.
bool AddBlockPadding(const CSecureBuffer& plain, CSecureBuffer& padded);

// Removes the padding of a decrypted content. False, with plain unchanged, unless the input is a
// non-zero number of blocks ending in valid padding; the check does not stop at the first wrong byte.
bool RemoveBlockPadding(const CSecureBuffer& padded, CSecureBuffer& plain);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_BLOCK_PADDING_H_
