// The parsing and decision parts of the system utilities, free of Windows calls so that they are
// tested with tables on every platform.
#ifndef LUMA_FOUNDATION_CORE_SYSTEM_UTILS_CORE_H_
#define LUMA_FOUNDATION_CORE_SYSTEM_UTILS_CORE_H_

#include <cstddef>

#include "foundation/core/platform.h"

namespace luma {

// "user@domain": upn is the trimmed name; user and domain are the parts around the first "@" when
// it is not the first character, else both empty.
void SplitPrincipalName(const WString& name, WString& upn, WString& user, WString& domain);

// "DOMAIN\user" (trimmed): true with both parts when the first "\" is not the first character; false
// with both emptied otherwise.
bool SplitDomainUserName(const WString& name, WString& user, WString& domain);

// Prefix of the virtual smart card reader's name.
extern const WCHAR kVirtualReaderPrefix[];
// True when the reader name begins with the prefix, ASCII letters compared without case.
bool IsVirtualReaderName(const WString& readerName);
// Walks a multi-string of reader names (each ended by a zero, the list by an empty name) of at most
// `length` characters; true when one of them is the virtual reader. Never reads past `length`.
bool ContainsVirtualReader(const WCHAR* readers, std::size_t length);

// 16 bytes read as a GUID structure (little-endian 32- and 16-bit fields, then eight bytes), as
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in lower case.
WString FormatGuid(const BYTE bytes[16]);

// Lower-case hexadecimal, two digits per byte.
WString BytesToLowerHex(const BYTE* bytes, std::size_t length);

// First segment of a URL path that begins with "/": the text after it up to the next "/".
WString FirstPathSegment(const WString& path);

// "dd.mm.yyyy hh:mm:ss".
WString FormatDayMonthYearTime(int day, int month, int year, int hour, int minute, int second);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_SYSTEM_UTILS_CORE_H_
