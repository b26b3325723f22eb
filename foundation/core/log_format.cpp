#include "foundation/core/log_format.h"

#include <algorithm>

#include "foundation/core/text_format.h"

namespace luma {

using luma::AppendAscii;
using luma::AppendDecimal;
using luma::AppendLowerHex;

namespace {

// Appends to a fixed buffer, keeping room for the terminating zero and for `reserve` characters.
class CFixedWriter {
 public:
  CFixedWriter(WCHAR* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

  void Put(WCHAR c) {
    if (length_ + 1 + reserve_ < capacity_) out_[length_++] = c;
  }
  void Ascii(const char* text) {
    for (; *text != 0; ++text) Put(static_cast<WCHAR>(*text));
  }
  void Decimal(std::uint64_t value, int width) {
    WCHAR digits[24];
    int count = 0;
    do {
      digits[count++] = static_cast<WCHAR>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    for (int i = count; i < width; ++i) Put('0');
    while (count > 0) Put(digits[--count]);
  }
  void Reserve(std::size_t count) { reserve_ = count; }
  std::size_t Finish() {
    if (capacity_ > 0) out_[length_] = 0;
    return length_;
  }

 private:
  WCHAR* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
  std::size_t reserve_ = 0;
};

}  // namespace

std::size_t FormatLogLine(const CLogTime& time, DWORD processId, DWORD threadId, const WCHAR* text,
                          WCHAR* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  CFixedWriter line(out, capacity);
  line.Reserve(2);  // the line end always fits
  auto number = [&line](int value, int width) {
    line.Decimal(value < 0 ? 0 : static_cast<unsigned>(value), width);
  };
  number(time.year, 4);
  line.Put('/');
  number(time.month, 2);
  line.Put('/');
  number(time.day, 2);
  line.Put(' ');
  number(time.hour, 2);
  line.Put(':');
  number(time.minute, 2);
  line.Put(':');
  number(time.second, 2);
  line.Put('.');
  number(time.milliseconds, 3);
  line.Ascii(" - P");
  line.Decimal(processId, 6);
  line.Ascii("/T");
  line.Decimal(threadId, 6);
  line.Ascii(" - ");
  for (const WCHAR* p = text; p != nullptr && *p != 0; ++p) line.Put(*p);
  line.Reserve(0);
  line.Ascii("\r\n");
  return line.Finish();
}

WString FormatLogLine(const CLogTime& time, DWORD processId, DWORD threadId, const WString& text) {
  WCHAR line[kMaxLogLine + 1];
  const std::size_t length = FormatLogLine(time, processId, threadId, text.c_str(), line, kMaxLogLine + 1);
  return WString(line, length);
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
  // The dumped bytes may be secrets (PINs in a pipe request): every row gets its full room at once,
  // so that no grown copy of it is freed before the owner wipes the rows.
  lines.reserve(2 + size / 16 + 1);
  lines.push_back(header);
  if (data == nullptr) {
    lines.push_back(WSTR("     NULL pointer!"));
    return lines;
  }
  constexpr std::size_t kRowLength = 7 + 8 + 2 + 1 + 16 * 3 + 2 + 16 + 1;
  for (std::size_t offset = 0; offset < size; offset += 16) {
    WString line;
    line.reserve(kRowLength);
    AppendAscii(line, "       ");
    AppendLowerHex(line, offset, 8);
    AppendAscii(line, "  ");
    WString chars;
    chars.reserve(16);
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
    luma::SecureWipe(&chars[0], chars.size() * sizeof(WCHAR));
    lines.push_back(std::move(line));
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

}  // namespace luma
