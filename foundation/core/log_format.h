// The pure parts of the debug log: the line and hex-dump layouts, the rotation decision and the
// choice of old generations to delete. The writer (foundation/win/debug_log.h) feeds them the clock
// and the file system.
#ifndef LUMA_FOUNDATION_CORE_LOG_FORMAT_H_
#define LUMA_FOUNDATION_CORE_LOG_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/core/calendar_time.h"
#include "foundation/core/platform.h"

// Local calendar time of a line or a rotation.
using CLogTime = luma::CalendarTime;

// What the writer found out about an existing log file before opening it.
struct CLogFileFacts {
  bool haveCreationTime = false;
  std::int64_t creationSeconds = 0;  // seconds since 1970
  bool haveSize = false;
  std::uint64_t size = 0;
};

namespace luma {

// Longest line text written; longer texts are cut to this many characters.
constexpr std::size_t kMaxLogText = 2047;
// Longest whole line (time stamp, ids, text and line end).
constexpr std::size_t kMaxLogLine = 4095;

// "yyyy/mm/dd hh:mm:ss.mmm - P000123/T000456 - text\r\n" into a fixed buffer of `capacity`
// characters (terminating zero included; the text is cut so that the line end always fits); returns
// the length of the line. Needs no heap memory.
std::size_t FormatLogLine(const CLogTime& time, DWORD processId, DWORD threadId, const WCHAR* text,
                          WCHAR* out, std::size_t capacity);
// The same line as a string, at most kMaxLogLine characters.
WString FormatLogLine(const CLogTime& time, DWORD processId, DWORD threadId, const WString& text);

// The texts of a hex dump (each becomes one log line): the header, then "NULL pointer!" or one line
// of up to 16 bytes with offset, hexadecimal and printable characters.
std::vector<WString> FormatHexDump(const WString& label, const BYTE* data, std::size_t size);

// True when the file is older than rotateAgeDays whole days or larger than rotateSize bytes (a zero
// limit never rotates).
bool IsLogRotationDue(const CLogFileFacts& facts, std::int64_t nowSeconds, DWORD rotateAgeDays,
                      DWORD rotateSize);

// "<path>_yyyymmddhhmm".
WString RotatedLogName(const WString& path, const CLogTime& time);
// The path up to and including its last "\" (empty without one).
WString LogDirectoryPart(const WString& path);
// Of the rotated files found, the oldest beyond maxGenerations (none when it is 0), sorted by their
// UTF-16 code units so that the time stamps order them.
std::vector<WString> SelectLogGenerationsToDelete(std::vector<WString> rotatedFiles, DWORD maxGenerations);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_LOG_FORMAT_H_
