// Reading the product texts out of a file's version block, apart from loading the block, so that
// tests can hand it blocks the resource compiler would never make.
#ifndef LUMA_FOUNDATION_WIN_VERSION_STRINGS_H_
#define LUMA_FOUNDATION_WIN_VERSION_STRINGS_H_

#include <windows.h>

#include <string>

namespace luma {

// Product name and version from the language-neutral table when it holds both, else from the
// English (United States) one; the legal notice from either table, or empty. Win32 error, 0 for
// success; the outputs stay empty on failure. A value of length 0 counts as missing.
DWORD ReadVersionStrings(const void* block, std::wstring& productName, std::wstring& productVersion,
                         std::wstring& legalNotice);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_VERSION_STRINGS_H_
