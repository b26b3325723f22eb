// Text helpers on wide strings: case mapping, trimming, splitting and hexadecimal text.
#ifndef LUMA_FOUNDATION_CORE_STRING_UTILS_H_
#define LUMA_FOUNDATION_CORE_STRING_UTILS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/core/platform.h"

namespace luma {

// Case mapping of the C runtime's default ("C") locale, which touches the letters A to Z only; names
// of providers, accounts, files and processes compare this way on every machine.
WString ToLowerCase(const WString& text);
WString ToUpperCase(const WString& text);
bool EqualsIgnoreCase(const WString& a, const WString& b);

// Conversions between wide and 8-bit text for object identifiers. Each character becomes one byte
// (the default locale's single-byte mapping); a character beyond 0xFF has no byte, and the whole
// conversion then gives an empty text. A null input gives an empty text.
std::string WideToNarrow(const WCHAR* text);
std::string WideToNarrow(const WString& text);
WString NarrowToWide(const char* text);
WString NarrowToWide(const std::string& text);

// True for space, tab, line feed, carriage return, vertical tab and form feed.
bool IsTrimSpace(WCHAR c);
WString TrimWhitespace(const WString& text);

// Pieces of the trimmed text between delimiter characters, each trimmed; an empty piece before a
// delimiter is kept, an empty rest after the last one is not.
std::vector<WString> SplitString(const WString& text, const WString& delimiters);

// Upper-case hexadecimal, two digits per byte, first byte first.
WString BytesToHex(const BYTE* bytes, std::size_t length);
// The reverse: two hexadecimal digits (either case) per byte. False, with bytes emptied, for an odd
// length or any other character.
bool HexToBytes(const WString& text, std::vector<BYTE>& bytes);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_STRING_UTILS_H_
