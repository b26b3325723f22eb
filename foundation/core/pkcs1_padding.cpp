#include "foundation/core/pkcs1_padding.h"

namespace luma {

CSecureBuffer RemovePkcs1Type1Padding(const CSecureBuffer& block) {
  const DWORD n = block.size;
  if (n < 12 || block.data[0] != 0x00 || block.data[1] != 0x01) return CSecureBuffer();
  DWORD i = 2;
  while (i < n && block.data[i] == 0xFF) ++i;
  if (i < 10 || i >= n - 1 || block.data[i] != 0x00) return CSecureBuffer();
  return CSecureBuffer(n - i - 1, block.data + i + 1);
}

}  // namespace luma
