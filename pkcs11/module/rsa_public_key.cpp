#include "pkcs11/module/rsa_public_key.h"

#include <utility>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/certificate_values.h"

namespace luma {
namespace pkcs11 {

CByteBuffer decodeUnsignedInteger(const BYTE* data, DWORD size) {
  CLocalMemoryHandle decoded;
  DWORD decodedSize = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_MULTI_BYTE_UINT, data, size, CRYPT_DECODE_ALLOC_FLAG,
                           nullptr, decoded.put(), &decodedSize) ||
      decodedSize < sizeof(CRYPT_UINT_BLOB)) {
    return CByteBuffer();
  }
  const CRYPT_UINT_BLOB* integer = LocalAs<CRYPT_UINT_BLOB>(decoded);
  CByteBuffer bigEndian(integer->cbData, integer->pbData);  // least significant first until reversed
  bigEndian.reverse();
  return bigEndian;
}

bool decodeRSAPublicKey(const BYTE* data, DWORD size, CByteBuffer& modulus, CByteBuffer& exponent) {
  if (data == nullptr || size == 0) return false;
  CLocalMemoryHandle decoded;
  DWORD decodedSize = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_SEQUENCE_OF_ANY, data, size, CRYPT_DECODE_ALLOC_FLAG,
                           nullptr, decoded.put(), &decodedSize) ||
      decodedSize < sizeof(CRYPT_SEQUENCE_OF_ANY)) {
    return false;
  }
  const CRYPT_SEQUENCE_OF_ANY* sequence = LocalAs<CRYPT_SEQUENCE_OF_ANY>(decoded);
  if (sequence->cValue != 2) return false;
  CByteBuffer decodedModulus =
      stripLeadingZeros(decodeUnsignedInteger(sequence->rgValue[0].pbData, sequence->rgValue[0].cbData));
  CByteBuffer decodedExponent =
      stripLeadingZeros(decodeUnsignedInteger(sequence->rgValue[1].pbData, sequence->rgValue[1].cbData));
  if (decodedModulus.empty() || decodedExponent.empty()) return false;
  modulus = std::move(decodedModulus);
  exponent = std::move(decodedExponent);
  return true;
}

}  // namespace pkcs11
}  // namespace luma

CByteBuffer CRSAPublicValues::getModulus(PCCERT_CONTEXT certificate) const {
  if (modulus.empty() && certificate != nullptr) {
    const CRYPT_BIT_BLOB& key = certificate->pCertInfo->SubjectPublicKeyInfo.PublicKey;
    luma::pkcs11::decodeRSAPublicKey(key.pbData, key.cbData, modulus, publicExponent);
  }
  return modulus;
}

CByteBuffer CRSAPublicValues::getPublicExponent(PCCERT_CONTEXT certificate) const {
  getModulus(certificate);
  return publicExponent;
}
