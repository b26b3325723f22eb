// The string-table lookup behind FormatResourceString, with the module and language passed in so
// that tests can choose them.
#ifndef LUMA_FOUNDATION_WIN_RESOURCE_STRING_H_
#define LUMA_FOUNDATION_WIN_RESOURCE_STRING_H_

#include <windows.h>

#include <cstdarg>
#include <string>

namespace luma {

// Longest formatted resource text; longer results are cut.
constexpr size_t kMaxResourceText = 2047;

// The string `id` of the module's string table in exactly that language; empty when missing.
std::wstring LoadStringResource(HMODULE module, LANGID language, UINT id);
// In the language, else in its primary language (neutral, then default sublanguage), else in
// English (1033), else "<undefined>" and an error line in the log.
std::wstring LookupStringResource(HMODULE module, LANGID language, UINT id);
// LookupStringResource used as a format (%s is a wide string) for the arguments; at most
// kMaxResourceText characters.
std::wstring FormatStringResourceV(HMODULE module, LANGID language, UINT id, va_list args);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_RESOURCE_STRING_H_
