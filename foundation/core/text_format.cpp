#include "foundation/core/text_format.h"

namespace luma {

void AppendDecimal(WString& text, std::int64_t value, int width) {
  std::uint64_t magnitude =
      value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
  WCHAR digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) {
    text.push_back('-');
    --width;
  }
  for (int i = count; i < width; ++i) text.push_back('0');
  while (count > 0) text.push_back(digits[--count]);
}

void AppendLowerHex(WString& text, std::uint64_t value, int width) {
  static const char kDigits[] = "0123456789abcdef";
  WCHAR digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>(kDigits[value & 15]);
    value >>= 4;
  } while (value != 0);
  for (int i = count; i < width; ++i) text.push_back('0');
  while (count > 0) text.push_back(digits[--count]);
}

void AppendAscii(WString& text, const char* ascii) {
  for (; *ascii != 0; ++ascii) text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*ascii)));
}

}  // namespace luma
