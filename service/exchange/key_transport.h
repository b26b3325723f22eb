// RSA PKCS#1 v1.5 transport of a content key. CryptoAPI works on little-endian blocks; envelopes
// carry them big-endian, so the bytes are reversed on the way in and out.
#ifndef LUMA_SERVICE_EXCHANGE_KEY_TRANSPORT_H_
#define LUMA_SERVICE_EXCHANGE_KEY_TRANSPORT_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace service {

// Encrypts the content key for the RSA public key of the certificate. 0 or a Win32 error;
// encryptedKey is replaced only on success.
DWORD WrapContentKey(PCCERT_CONTEXT recipient, const CSecureBuffer& contentKey, CSecureBuffer& encryptedKey);

// Decrypts an encrypted content key with a private RSA key. Any failure, a key of the wrong length
// included, gives NTE_BAD_DATA, so a caller cannot tell the padding from the length.
DWORD UnwrapContentKey(HCRYPTKEY privateKey, const CSecureBuffer& encryptedKey, CSecureBuffer& contentKey);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_EXCHANGE_KEY_TRANSPORT_H_
