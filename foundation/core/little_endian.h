// 32-bit little-endian integers in byte buffers, as the pipe's wire format and records carry them.
#ifndef LUMA_FOUNDATION_CORE_LITTLE_ENDIAN_H_
#define LUMA_FOUNDATION_CORE_LITTLE_ENDIAN_H_

#include "foundation/core/platform.h"

namespace luma {

inline DWORD ReadLE32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

inline void WriteLE32(BYTE* p, DWORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
  p[2] = static_cast<BYTE>(v >> 16);
  p[3] = static_cast<BYTE>(v >> 24);
}

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_LITTLE_ENDIAN_H_
