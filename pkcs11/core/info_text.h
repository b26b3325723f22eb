// The text fields of the information structures: blank-padded to their full width, without a
// terminating zero, and the token clock's "YYYYMMDDhhmmss00".
#ifndef LUMA_PKCS11_CORE_INFO_TEXT_H_
#define LUMA_PKCS11_CORE_INFO_TEXT_H_

#include <cstddef>

#include "foundation/core/calendar_time.h"
#include "pkcs11/core/cryptoki.h"

namespace luma {
namespace pkcs11 {

// Writes `text` into the `width` bytes of `field`, cut to the width, and fills the rest with blanks.
void fillBlankPadded(CK_UTF8CHAR* field, std::size_t width, const char* text);

template <std::size_t Width>
void fillBlankPadded(CK_UTF8CHAR (&field)[Width], const char* text) {
  fillBlankPadded(field, Width, text);
}

// Year, month, day, hour, minute and second as 14 digits followed by "00"; a field outside its
// range is clamped to it, so that the result always has 16 characters.
void formatTokenTime(const CalendarTime& time, CK_CHAR (&utcTime)[16]);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_CORE_INFO_TEXT_H_
