// AES-256-CBC over whole blocks through the AES provider: the key enters as a plaintext key blob
// and the IV as a key parameter. Padding is the caller's (see service/core/block_padding.h), so
// both directions see exactly the bytes they are given.
#ifndef LUMA_SERVICE_EXCHANGE_CONTENT_CIPHER_H_
#define LUMA_SERVICE_EXCHANGE_CONTENT_CIPHER_H_

#include <windows.h>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace service {

// Both return 0 or a Win32 error; out is replaced only on success. The key must be 32 bytes, the
// IV 16 and the input a non-zero number of 16-byte blocks (ERROR_INVALID_PARAMETER otherwise).
DWORD EncryptContentBlocks(const CSecureBuffer& key, const CSecureBuffer& iv, const CSecureBuffer& plain,
                           CSecureBuffer& cipher);
DWORD DecryptContentBlocks(const CSecureBuffer& key, const CSecureBuffer& iv, const CSecureBuffer& cipher,
                           CSecureBuffer& plain);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_EXCHANGE_CONTENT_CIPHER_H_
