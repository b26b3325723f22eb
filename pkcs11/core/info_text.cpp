#include "pkcs11/core/info_text.h"

#include <cstring>

namespace luma {
namespace pkcs11 {

namespace {

int clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// The decimal digits of `value` into exactly `digits` characters.
void putDigits(CK_CHAR* out, int value, int digits) {
  for (int position = digits - 1; position >= 0; --position) {
    out[position] = static_cast<CK_CHAR>('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

void fillBlankPadded(CK_UTF8CHAR* field, std::size_t width, const char* text) {
  std::size_t length = text != nullptr ? std::strlen(text) : 0;
  if (length > width) length = width;
  if (length != 0) std::memcpy(field, text, length);
  std::memset(field + length, ' ', width - length);
}

void formatTokenTime(const CalendarTime& time, CK_CHAR (&utcTime)[16]) {
  putDigits(utcTime, clamp(time.year, 0, 9999), 4);
  putDigits(utcTime + 4, clamp(time.month, 0, 99), 2);
  putDigits(utcTime + 6, clamp(time.day, 0, 99), 2);
  putDigits(utcTime + 8, clamp(time.hour, 0, 99), 2);
  putDigits(utcTime + 10, clamp(time.minute, 0, 99), 2);
  putDigits(utcTime + 12, clamp(time.second, 0, 99), 2);
  utcTime[14] = '0';
  utcTime[15] = '0';
}

}  // namespace pkcs11
}  // namespace luma
