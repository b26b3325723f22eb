// Small Windows services of the program: files and directories, environment, version texts, the
// interface language and localised strings, digests as text, dates, and facts about the machine and
// the user. None of them throws; each reports failure as its result (a Win32 code, false or empty).
#ifndef LUMA_FOUNDATION_WIN_SYSTEM_UTILS_H_
#define LUMA_FOUNDATION_WIN_SYSTEM_UTILS_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <list>
#include <string>
#include <vector>

#include "foundation/core/calendar_time.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/core/system_utils_core.h"
#include "foundation/win/windows_exception.h"

namespace luma {

// --- Interface language -------------------------------------------------------------------------

// The process-wide interface language chosen by the settings; 0 (the default) means the user's own
// interface language. Start-up sets it once before any service thread runs.
void SetUILanguageOverride(LANGID language);
LANGID GetUILanguageOverride();
// The override, else GetUserDefaultUILanguage().
LANGID GetEffectiveUILanguage();

// ISO 639 name of the interface language ("en", "de"); defaultName when the system knows none.
std::wstring GetUILanguageName(const std::wstring& defaultName);

// A string of the program's own string table in the interface language (else English, else
// "<undefined>") used as a format (Windows convention: %s is a wide string) for the arguments; the
// result is cut at 2047 characters.
std::wstring FormatResourceString(UINT id, ...);

// --- Files and directories (Win32 error code, 0 for success) ------------------------------------

DWORD CreateDirectoryPath(const std::wstring& path);
DWORD WriteFileData(const std::wstring& path, const CSecureBuffer& data);

// The largest file ReadFileData reads. Its callers read policy files, which hold a few
// certificates and an icon (some hundred KiB at most), from a folder the user can write to; the cap
// bounds what such a file can make the reader allocate while leaving ample room.
constexpr DWORD kMaxWholeFileSize = 8 * 1024 * 1024;

// The whole file in one block. A file larger than luma::kMaxWholeFileSize is refused with
// ERROR_FILE_TOO_LARGE before anything is read. The file is read up to the size it had when it was
// opened; when it turns out shorter, or a read fails, the bytes read so far stay in data and the
// result is ERROR_HANDLE_EOF or the read's error.
DWORD ReadFileData(const std::wstring& path, CSecureBuffer& data);
// Full paths of the files (not directories) of directory matching pattern, in the system's order.
void FindFiles(const std::wstring& directory, const std::wstring& pattern, std::list<std::wstring>& files);
// EnumResourceNamesW callback: appends a copy of every non-empty resource to the
// std::list<CSecureBuffer> whose address is param; always continues the enumeration.
BOOL CALLBACK CollectResourceProc(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);

// --- Text, time and buffers ---------------------------------------------------------------------

std::wstring ExpandEnvironmentText(const std::wstring& text);
DWORD GetFileVersionStrings(const std::wstring& path, std::wstring& productName, std::wstring& productVersion,
                            std::wstring& legalNotice);
// "dd.mm.yyyy hh:mm:ss" in local time.
std::wstring FormatFileTime(const FILETIME& time);
// The user's short date format; FormatFileTime when that fails.
std::wstring FormatFileTimeDate(const FILETIME& time);
__int64 FileTimeToTime64(const FILETIME& time);

// The one copy of the system's calendar fields into the program's calendar type.
CalendarTime CalendarFromSystemTime(const SYSTEMTIME& time);

void StringToBuffer(const std::wstring& text, CSecureBuffer& buffer);
void BufferToString(const CSecureBuffer& buffer, std::wstring& text);
void WipeString(std::wstring& text);

// --- Digests ------------------------------------------------------------------------------------

// The one digest routine of the program (SHA-1 and the SHA-2 family, by CryptoAPI algorithm id):
// true and the digest replaces digest; false leaves it unchanged.
bool ComputeDigest(ALG_ID algorithm, const BYTE* data, DWORD length, CSecureBuffer& digest);

bool ComputeSha1(const BYTE* data, DWORD length, CSecureBuffer& digest);
std::wstring Sha1Hex(const BYTE* data, DWORD length);
// Key container name of a certificate: the first 16 digest bytes in GUID form.
std::wstring Sha1GuidString(const CSecureBuffer& data);
std::wstring Sha1GuidString(const BYTE* data, DWORD length);

// --- Machine and user ---------------------------------------------------------------------------

std::wstring GetJoinedDomainName();
std::wstring GetLocalComputerName();
std::wstring GetCurrentUserSidString();
void GetCurrentUserUPN(std::wstring& upn, std::wstring& user, std::wstring& domain);
void GetCurrentUserLogonName(std::wstring& user, std::wstring& domain);
DWORD IsCurrentUserInGroup(const std::wstring& group, bool& member);
bool IsConsoleSession();
bool IsVirtualReaderPresent();
std::wstring GetDisplaySignature(HWND window);
std::wstring GetUrlFirstPathSegment(const std::wstring& url);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_SYSTEM_UTILS_H_
