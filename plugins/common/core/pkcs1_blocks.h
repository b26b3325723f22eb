// The PKCS#1 (RFC 8017) block rules of the key plug-ins, free of any platform call: the digest
// algorithms a signature block may name, the type-1 padding, the type-2 unpadding and the last
// checks of an OAEP decoding. Blocks are big-endian byte strings.
#ifndef LUMA_PLUGINS_COMMON_CORE_PKCS1_BLOCKS_H_
#define LUMA_PLUGINS_COMMON_CORE_PKCS1_BLOCKS_H_

#include "foundation/core/secure_buffer.h"

namespace luma::plugin {

// CryptoAPI hash ids of the signature blocks.
constexpr DWORD kAlgMd5 = 0x8003;
constexpr DWORD kAlgSha1 = 0x8004;
constexpr DWORD kAlgSsl3ShaMd5 = 0x8008;
constexpr DWORD kAlgSha256 = 0x800C;
constexpr DWORD kAlgSha384 = 0x800D;
constexpr DWORD kAlgSha512 = 0x800E;

// The fewest bytes a type-1 or type-2 block spends on padding: 00, type, 8 padding bytes, 00.
constexpr DWORD kPkcs1MinimumOverhead = 11;

enum class DigestInfoForm {
  kDigestInfo,  // SEQUENCE { AlgorithmIdentifier (with NULL parameters), OCTET STRING hash }
  kBareHash,    // the TLS client-authentication MD5+SHA-1 pair, which carries no DigestInfo
  kRefused,     // no block is built for this algorithm (MD2 and MD4 among them)
};

struct DigestAlgorithm {
  DigestInfoForm form;
  const char* oid;  // dotted, for kDigestInfo; null otherwise
};
DigestAlgorithm DigestAlgorithmOf(DWORD algId);

// 00 01 FF.. 00 payload, exactly blockLength bytes with at least 8 bytes FF; false (block unchanged)
// when the payload does not fit or memory runs out.
bool PadPkcs1Type1(const CSecureBuffer& payload, DWORD blockLength, CSecureBuffer& block);

// The message of a type-2 block (00 02, at least 8 non-zero bytes, 00, at least one message byte);
// empty for any other block.
CSecureBuffer RemovePkcs1Type2Padding(const CSecureBuffer& block);

// a XOR b byte by byte; empty when the lengths differ.
CSecureBuffer XorBuffers(const CSecureBuffer& a, const CSecureBuffer& b);

// Whether an OAEP block of blockLength bytes can hold two masks of a digest of hashLength bytes:
// the decoder reads nothing of a block that fails this.
inline bool OaepBlockFits(DWORD blockLength, DWORD hashLength) {
  return hashLength > 0 && blockLength / 2 > hashLength && blockLength - 2 * hashLength >= 2;
}

// The checks after unmasking: the message behind the 01 that follows lHash' and the zero bytes of
// the data block, when lHash' equals lHash and the first byte y of the block is 0; else empty.
CSecureBuffer ExtractOaepMessage(BYTE y, const CSecureBuffer& dataBlock, const CSecureBuffer& labelHash);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_CORE_PKCS1_BLOCKS_H_
