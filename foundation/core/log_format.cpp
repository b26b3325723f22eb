#include "foundation/core/log_format.h"

#include <algorithm>

#include "foundation/core/text_format.h"

using luma::AppendAscii;
using luma::AppendDecimal;
using luma::AppendLowerHex;

WString FormatLogLine(const CLogTime& time, DWORD processId, DWORD threadId, const WString& text) {
  WString line;
  line.reserve(48 + std::min(text.size(), kMaxLogText));
  AppendDecimal(line, time.year, 4);
  line.push_back('/');
  AppendDecimal(line, time.month, 2);
  line.push_back('/');
  AppendDecimal(line, time.day, 2);
  line.push_back(' ');
  AppendDecimal(line, time.hour, 2);
  line.push_back(':');
  AppendDecimal(line, time.minute, 2);
  line.push_back(':');
  AppendDecimal(line, time.second, 2);
  line.push_back('.');
  AppendDecimal(line, time.millisecond, 3);
  AppendAscii(line, " - P");
  AppendDecimal(line, processId, 6);
  AppendAscii(line, "/T");
  AppendDecimal(line, threadId, 6);
  AppendAscii(line, " - ");
  line.append(text, 0, std::min(text.size(), kMaxLogLine - 2 - std::min(line.size(), kMaxLogLine - 2)));
  AppendAscii(line, "\r\n");
  return line;
}

std::vector<WString> FormatHexDump(const WString& label, const BYTE* data, std::size_t size) {
  std::vector<WString> lines;
  WString header;
  AppendAscii(header, "     ");
  header += label;
  header.push_back(' ');
  AppendDecimal(header, static_cast<std::int64_t>(size));
  AppendAscii(header, " bytes (0x");
  AppendLowerHex(header, size, 4);
  header.push_back(')');
  lines.push_back(header);
  if (data == nullptr) {
    lines.push_back(WSTR("     NULL pointer!"));
    return lines;
  }
  for (std::size_t offset = 0; offset < size; offset += 16) {
    WString line;
    AppendAscii(line, "       ");
    AppendLowerHex(line, offset, 8);
    AppendAscii(line, "  ");
    WString chars;
    for (std::size_t i = 0; i < 16; ++i) {
      if (i == 8) line.push_back(' ');
      if (offset + i < size) {
        const BYTE b = data[offset + i];
        AppendLowerHex(line, b, 2);
        line.push_back(' ');
        chars.push_back(b >= 0x20 && b <= 0x7E ? static_cast<WCHAR>(b) : static_cast<WCHAR>('.'));
      } else {
        AppendAscii(line, "   ");
        chars.push_back(' ');
      }
    }
    AppendAscii(line, " |");
    line += chars;
    line.push_back('|');
    lines.push_back(line);
  }
  return lines;
}

bool IsLogRotationDue(const CLogFileFacts& facts, std::int64_t nowSeconds, DWORD rotateAgeDays,
                      DWORD rotateSize) {
  if (facts.haveCreationTime && rotateAgeDays != 0) {
    const std::int64_t days = (nowSeconds - facts.creationSeconds) / 86400;
    if (days > static_cast<std::int64_t>(rotateAgeDays)) return true;
  }
  return facts.haveSize && rotateSize != 0 && facts.size > rotateSize;
}

WString RotatedLogName(const WString& path, const CLogTime& time) {
  WString name = path;
  name.push_back('_');
  AppendDecimal(name, time.year, 4);
  AppendDecimal(name, time.month, 2);
  AppendDecimal(name, time.day, 2);
  AppendDecimal(name, time.hour, 2);
  AppendDecimal(name, time.minute, 2);
  return name;
}

WString LogDirectoryPart(const WString& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == WString::npos ? WString() : path.substr(0, slash + 1);
}

std::vector<WString> SelectLogGenerationsToDelete(std::vector<WString> rotatedFiles, DWORD maxGenerations) {
  std::vector<WString> doomed;
  if (maxGenerations == 0 || rotatedFiles.size() <= maxGenerations) return doomed;
  // basic_string compares its code units as unsigned values: an ordinal, case-sensitive order.
  std::sort(rotatedFiles.begin(), rotatedFiles.end());
  doomed.assign(rotatedFiles.begin(), rotatedFiles.end() - maxGenerations);
  return doomed;
}
