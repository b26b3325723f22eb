#include "plugins/csp/core/enumeration.h"

namespace luma::csp {

const AlgorithmInfo kAlgorithmTable[] = {
    {0x8003, 128, 128, 128, "MD5", "Message Digest 5 (MD5)"},
    {0x8004, 160, 160, 160, "SHA-1", "Secure Hash Algorithm (SHA-1)"},
    {0x800C, 256, 256, 256, "SHA-256", "Secure Hash Algorithm 256 (SHA-256)"},
    {0x800D, 384, 384, 384, "SHA-384", "Secure Hash Algorithm 384 (SHA-384)"},
    {0x800E, 512, 512, 512, "SHA-512", "Secure Hash Algorithm 512 (SHA-512)"},
    {0x8008, 288, 288, 288, "SSL3 SHAMD5", "SSL3 SHAMD5"},
    {0x2400, 2048, 1024, 8192, "RSA_SIGN", "RSA Signature"},
    {0xA400, 2048, 1024, 8192, "RSA_KEYX", "RSA Key Exchange"},
    {0x6601, 56, 56, 56, "DES", "Data Encryption Standard (DES)"},
    {0x6609, 112, 112, 112, "3DES TWO KEY", "Two Key Triple DES"},
    {0x6603, 168, 168, 168, "3DES", "Three Key Triple DES"},
};
const size_t kAlgorithmCount = sizeof(kAlgorithmTable) / sizeof(kAlgorithmTable[0]);

DWORD CEnumCursor::Current(DWORD flags, size_t count, size_t& index) noexcept {
  if ((flags & kEnumFirstFlag) != 0) position = 0;
  const long current = position;
  if (current < 0) return kEnumNotStarted;
  if (static_cast<size_t>(current) >= count) return kEnumNoMoreItems;
  index = static_cast<size_t>(current);
  return 0;
}

void CEnumCursor::Delivered(size_t index) noexcept { position = static_cast<long>(index) + 1; }

}  // namespace luma::csp
