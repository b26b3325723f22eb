// What a signature over CKM_RSA_PKCS is asked to sign: the 36-byte MD5 and SHA-1 pair of SSL 3.0
// and TLS 1.0, or a DER DigestInfo, read here without the platform's ASN.1 codec (some platforms
// cannot decode an AlgorithmIdentifier).
#ifndef LUMA_PKCS11_CORE_DIGEST_INFO_H_
#define LUMA_PKCS11_CORE_DIGEST_INFO_H_

#include "foundation/core/platform.h"
#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/cryptoki.h"

namespace luma {
namespace pkcs11 {

constexpr DWORD kAlgSsl3ShaMd5 = 0x8008;
// The hash id of a DigestInfo whose algorithm the module does not know.
constexpr DWORD kAlgUnknown = 0xFFFFFFFF;
constexpr std::uint32_t kSsl3HashPairSize = 36;

struct CSignedDigest {
  CByteBuffer hash;                // the bare hash (the 36-byte pair, or the DigestInfo's octets)
  DWORD algId = kAlgUnknown;       // CryptoAPI hash id
  const WCHAR* cngName = nullptr;  // CNG algorithm name; null for the pair and unknown algorithms
};

// CKR_OK with the parts, or CKR_DATA_LEN_RANGE for input that is neither the pair nor a DigestInfo,
// and for a hash whose length is not its known algorithm's. An algorithm the module does not know
// is no error: kAlgUnknown, no CNG name, and the octets as they stand.
CK_RV parseSignedDigest(const CByteBuffer& input, CSignedDigest& out);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_CORE_DIGEST_INFO_H_
