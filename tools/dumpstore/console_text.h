// Wide texts for the console: converted to the system's 8-bit code page, as the ANSI functions
// that produce the names do, so one listing never mixes two encodings.
#ifndef LUMA_TOOLS_DUMPSTORE_CONSOLE_TEXT_H_
#define LUMA_TOOLS_DUMPSTORE_CONSOLE_TEXT_H_

#include <windows.h>

#include <cstddef>
#include <string>

namespace luma::dumpstore {

// The text up to its terminating NUL or `maxChars` characters, whichever comes first; characters
// the code page lacks become '?'. A null pointer gives "(null)".
std::string ToConsoleText(const wchar_t* text, std::size_t maxChars);

}  // namespace luma::dumpstore

#endif  // LUMA_TOOLS_DUMPSTORE_CONSOLE_TEXT_H_
