// A CNG hash object, and the PKCS#1 operations of the key plug-ins that need a platform hash or the
// platform's DER codec: the signature block with its DigestInfo, MGF1 and the OAEP decoding.
#ifndef LUMA_PLUGINS_COMMON_BCRYPT_HASH_H_
#define LUMA_PLUGINS_COMMON_BCRYPT_HASH_H_

#include <windows.h>
// after windows.h, which it needs
#include <bcrypt.h>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"

namespace luma::plugin {

inline void CloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm) {
  BCryptCloseAlgorithmProvider(algorithm, 0);
}
inline void DestroyHashObject(BCRYPT_HASH_HANDLE hash) { BCryptDestroyHash(hash); }
using CAlgorithmProviderHandle =
    luma::CUniqueHandle<luma::handle_traits::NullEmpty<BCRYPT_ALG_HANDLE, CloseAlgorithmProvider>>;
using CHashObjectHandle =
    luma::CUniqueHandle<luma::handle_traits::NullEmpty<BCRYPT_HASH_HANDLE, DestroyHashObject>>;

}  // namespace luma::plugin

// One hash computation. Each step of the constructor runs only when the one before succeeded; status
// keeps the last result, so a failed open shows as a non-zero status and an empty digest.
// The hash object is destroyed before its algorithm provider (member order).
struct CBCryptHash {
  explicit CBCryptHash(const wchar_t* algorithmName) noexcept;

  bool Hash(const void* data, DWORD size) noexcept;
  // The digest of digestLength bytes; empty when any step failed.
  CSecureBuffer Finish() noexcept;

  NTSTATUS status = static_cast<NTSTATUS>(0x80090020);  // NTE_FAIL until the first step succeeds
  luma::plugin::CAlgorithmProviderHandle algorithm;
  luma::plugin::CHashObjectHandle hash;
  DWORD digestLength = 0;
};

namespace luma::plugin {

// The hash of the bytes under the named CNG algorithm; empty when the name cannot be opened.
CSecureBuffer HashBytes(const wchar_t* algorithmName, const CSecureBuffer& bytes) noexcept;

// The EMSA-PKCS1-v1_5 block of blockLength bytes for a CryptoAPI hash id: a DigestInfo whose
// algorithm carries explicit NULL parameters, or the bare 36-byte TLS pair. The hash length is not
// checked against the algorithm. False for MD2, MD4 and every other id, or when T does not fit.
bool BuildPkcs1Type1Block(DWORD algId, const CSecureBuffer& hashValue, DWORD blockLength,
                          CSecureBuffer& block);

// MGF1 over the named hash: exactly maskLength bytes; empty when the hash cannot be opened.
CSecureBuffer Mgf1(const wchar_t* algorithmName, const CSecureBuffer& seed, DWORD maskLength) noexcept;

// EME-OAEP decoding; empty on every failure, without reading outside the block (also for a block
// shorter than 2 * hLen + 2 bytes or a hash CNG cannot open).
CSecureBuffer DecodeOaep(const CSecureBuffer& encoded, const wchar_t* algorithmName,
                         const CSecureBuffer& label) noexcept;

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_BCRYPT_HASH_H_
