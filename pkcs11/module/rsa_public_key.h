// The modulus and public exponent of a certificate's RSA key, decoded through CryptoAPI.
#ifndef LUMA_PKCS11_MODULE_RSA_PUBLIC_KEY_H_
#define LUMA_PKCS11_MODULE_RSA_PUBLIC_KEY_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include "pkcs11/core/byte_buffer.h"

namespace luma {
namespace pkcs11 {

// An RSAPublicKey SEQUENCE of exactly two INTEGERs, each big-endian without leading zeros; false
// for empty input, another shape or an integer that comes out empty.
bool decodeRSAPublicKey(const BYTE* data, DWORD size, CByteBuffer& modulus, CByteBuffer& exponent);

// An encoded unsigned INTEGER as big-endian bytes; empty when it does not decode.
CByteBuffer decodeUnsignedInteger(const BYTE* data, DWORD size);

}  // namespace pkcs11
}  // namespace luma

// The key values of one certificate, decoded on first request and then kept; a failed decoding
// leaves them empty and is tried again next time.
class CRSAPublicValues {
 public:
  CByteBuffer getModulus(PCCERT_CONTEXT certificate) const;
  CByteBuffer getPublicExponent(PCCERT_CONTEXT certificate) const;

 private:
  mutable CByteBuffer modulus;
  mutable CByteBuffer publicExponent;
};

#endif  // LUMA_PKCS11_MODULE_RSA_PUBLIC_KEY_H_
