// Minimal number formatting shared by the pure formatters (no printf, so that the same code runs on
// wide strings of every platform).
#ifndef LUMA_FOUNDATION_CORE_TEXT_FORMAT_H_
#define LUMA_FOUNDATION_CORE_TEXT_FORMAT_H_

#include <cstdint>

#include "foundation/core/platform.h"

namespace luma {
// Decimal, zero-padded to at least `width` digits ("%0*d"; a minus sign comes first).
void AppendDecimal(WString& text, std::int64_t value, int width = 0);
// Lower-case hexadecimal, zero-padded to at least `width` digits ("%0*x").
void AppendLowerHex(WString& text, std::uint64_t value, int width);
// ASCII text appended as wide characters.
void AppendAscii(WString& text, const char* ascii);
}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_TEXT_FORMAT_H_
