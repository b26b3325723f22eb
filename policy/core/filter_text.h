// Text helpers of the certificate filter language: white space, the escapes of filter values and the
// decimal conversion of integer attributes; case mapping and trimming are the general string helpers.
#ifndef LUMA_POLICY_CORE_FILTER_TEXT_H_
#define LUMA_POLICY_CORE_FILTER_TEXT_H_

#include <cstdint>

#include "foundation/core/platform.h"
#include "foundation/core/string_utils.h"

namespace luma::filter_text {

// Case mapping of the C runtime's "C" locale (only the ASCII letters change) and trimming of space,
// tab, line feed, carriage return, vertical tab and form feed.
using luma::ToLowerCase;
using luma::ToUpperCase;
using luma::TrimWhitespace;

// White space of the parser: the wide-character test of the C runtime.
bool IsWhiteSpace(WCHAR c);

// Replaces each occurrence of `from` (never empty) and goes on right after the inserted text.
WString ReplaceAll(WString text, const WString& from, const WString& to);

// The seven escapes of filter values ("\2a", "\28", "\29", "\5c", "\3a", "\7b", "\7d"), replaced in
// that order over the whole text, so that the output of one step takes part in the later ones.
WString UnescapeFilterText(const WString& text);

// Decimal conversion in the manner of wcstol: leading white space, an optional sign, then digits;
// anything after the digits is ignored. False without a digit or outside the signed 32-bit range.
bool ParseDecimalInt32(const WString& text, std::int32_t& number);

}  // namespace luma::filter_text

#endif  // LUMA_POLICY_CORE_FILTER_TEXT_H_
