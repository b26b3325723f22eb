#include "policy/core/policy_der_reader.h"

namespace luma {
namespace policy {

namespace {

constexpr BYTE kTagUtcTime = 0x17;
constexpr BYTE kTagGeneralizedTime = 0x18;
constexpr FileTimeTicks kTicksPerSecond = 10000000;
constexpr FileTimeTicks kTicksPerMillisecond = 10000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the date (proleptic Gregorian calendar).
std::int64_t DaysSince1601(int year, int month, int day) {
  const std::int64_t y = year - 1601;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}

// Reads `count` decimal digits at text[pos]; false when any is not a digit or the text ends.
bool ReadDigits(const BYTE* text, DWORD size, DWORD& pos, int count, int& value) {
  if (size - pos < static_cast<DWORD>(count)) return false;
  value = 0;
  for (int i = 0; i < count; ++i, ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return false;
    value = value * 10 + (text[pos] - '0');
  }
  return true;
}

bool IsDigitAt(const BYTE* text, DWORD size, DWORD pos) {
  return pos < size && text[pos] >= '0' && text[pos] <= '9';
}

// YYMMDDhhmm[ss] or YYYYMMDDhhmm[ss][.fff], then Z, +hhmm, -hhmm or nothing (UTC).
bool ParseTime(const BYTE* text, DWORD size, bool fourDigitYear, FileTimeTicks& ticks) {
  CalendarTime calendar;
  DWORD pos = 0;
  if (!ReadDigits(text, size, pos, fourDigitYear ? 4 : 2, calendar.year)) return false;
  if (!fourDigitYear) calendar.year += calendar.year < 50 ? 2000 : 1900;
  if (!ReadDigits(text, size, pos, 2, calendar.month) || !ReadDigits(text, size, pos, 2, calendar.day) ||
      !ReadDigits(text, size, pos, 2, calendar.hour) || !ReadDigits(text, size, pos, 2, calendar.minute)) {
    return false;
  }
  if (IsDigitAt(text, size, pos) && !ReadDigits(text, size, pos, 2, calendar.second)) return false;
  if (fourDigitYear && pos < size && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    if (!IsDigitAt(text, size, pos)) return false;
    int scale = 100;
    for (; IsDigitAt(text, size, pos); ++pos, scale /= 10) calendar.milliseconds += (text[pos] - '0') * scale;
  }
  std::int64_t offsetMinutes = 0;
  if (pos < size && text[pos] == 'Z') {
    ++pos;
  } else if (pos < size && (text[pos] == '+' || text[pos] == '-')) {
    const bool negative = text[pos] == '-';
    ++pos;
    int hours = 0, minutes = 0;
    if (!ReadDigits(text, size, pos, 2, hours) || !ReadDigits(text, size, pos, 2, minutes) || hours > 23 ||
        minutes > 59) {
      return false;
    }
    offsetMinutes = (negative ? -1 : 1) * (hours * 60 + minutes);
  }
  if (pos != size || !CalendarToTicks(calendar, ticks)) return false;
  // Local time minus the offset is UTC.
  const std::int64_t offsetTicks = offsetMinutes * 60 * static_cast<std::int64_t>(kTicksPerSecond);
  if (offsetTicks > 0 && ticks < static_cast<FileTimeTicks>(offsetTicks)) return false;
  ticks = static_cast<FileTimeTicks>(static_cast<std::int64_t>(ticks) - offsetTicks);
  return true;
}

}  // namespace

bool CalendarToTicks(const CalendarTime& c, FileTimeTicks& ticks) {
  if (c.year < 1601 || c.year > 30827 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 || c.minute > 59 ||
      c.second < 0 || c.second > 59 || c.milliseconds < 0 || c.milliseconds > 999) {
    return false;
  }
  const std::int64_t seconds =
      ((DaysSince1601(c.year, c.month, c.day) * 24 + c.hour) * 60 + c.minute) * 60 + c.second;
  ticks = static_cast<FileTimeTicks>(seconds) * kTicksPerSecond +
          static_cast<FileTimeTicks>(c.milliseconds) * kTicksPerMillisecond;
  return true;
}

CalendarTime TicksToCalendar(FileTimeTicks ticks) {
  CalendarTime c;
  c.milliseconds = static_cast<int>((ticks / kTicksPerMillisecond) % 1000);
  std::uint64_t seconds = ticks / kTicksPerSecond;
  c.second = static_cast<int>(seconds % 60);
  c.minute = static_cast<int>((seconds / 60) % 60);
  c.hour = static_cast<int>((seconds / 3600) % 24);
  std::uint64_t days = seconds / 86400;
  c.year = 1601;
  for (;;) {
    const std::uint64_t yearDays = IsLeapYear(c.year) ? 366 : 365;
    if (days < yearDays) break;
    days -= yearDays;
    ++c.year;
  }
  c.month = 1;
  while (days >= static_cast<std::uint64_t>(DaysInMonth(c.year, c.month))) {
    days -= DaysInMonth(c.year, c.month);
    ++c.month;
  }
  c.day = static_cast<int>(days) + 1;
  return c;
}

bool ReadWhole(const BYTE* data, DWORD size, der::Element& element) {
  return data != nullptr && der::ReadWholeElement(data, size, element);
}

bool ReadInteger(const der::Element& element, std::int32_t& value) {
  return element.tag == der::kTagInteger && der::DecodeInt32(element.content, element.contentSize, value);
}

bool ReadTime(const der::Element& element, FileTimeTicks& time) {
  if (element.tag != kTagUtcTime && element.tag != kTagGeneralizedTime) return false;
  return ParseTime(element.content, element.contentSize, element.tag == kTagGeneralizedTime, time);
}

bool ReadString(const der::Element& element, WString& text) { return der::DecodeText(element, text); }

bool ReadOctetString(const der::Element& element, CSecureBuffer& bytes) {
  if (element.tag != der::kTagOctetString) return false;
  bytes = CSecureBuffer(element.contentSize, element.content);
  return bytes.size == element.contentSize;
}

bool ReadBitString(const der::Element& element, CSecureBuffer& bytes) {
  if (element.tag != der::kTagBitString || element.contentSize == 0 || element.content[0] > 7) return false;
  const DWORD size = element.contentSize - 1;
  if (size == 0 && element.content[0] != 0) return false;
  bytes = CSecureBuffer(size, element.content + 1);
  return bytes.size == size;
}

bool ReadSequence(const der::Element& element, std::vector<der::Element>& children) {
  return element.tag == der::kTagSequence && der::ReadChildren(element, children);
}

bool ReadTagged(const der::Element& element, DWORD& tagNumber, der::Element& inner) {
  if (element.tag < 0xA0 || element.tag > 0xBF || element.encodingSize < 2) return false;
  tagNumber = element.tag & 0x1F;
  if (!ReadWhole(element.content, element.contentSize, inner)) inner = der::Element();
  return true;
}

}  // namespace policy
}  // namespace luma
