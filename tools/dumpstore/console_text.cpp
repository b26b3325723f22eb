#include "tools/dumpstore/console_text.h"

#include <climits>

namespace luma::dumpstore {

std::string ToConsoleText(const wchar_t* text, std::size_t maxChars) {
  if (text == nullptr) return "(null)";
  std::size_t length = 0;
  while (length < maxChars && text[length] != L'\0') ++length;
  if (length == 0) return std::string();
  if (length > INT_MAX / 4) length = INT_MAX / 4;
  const int wideLength = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wideLength, &narrow[0], size, nullptr, nullptr);
  return narrow;
}

}  // namespace luma::dumpstore
