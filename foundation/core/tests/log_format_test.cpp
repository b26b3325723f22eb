#include "foundation/core/log_format.h"

#include <gtest/gtest.h>

namespace {

CLogTime Time(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  CLogTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  t.milliseconds = ms;
  return t;
}

TEST(LogFormatTest, LineLayout) {
  EXPECT_EQ(WSTR("2024/03/05 04:07:09.012 - P000123/T004567 - Started\r\n"),
            luma::FormatLogLine(Time(2024, 3, 5, 4, 7, 9, 12), 123, 4567, WSTR("Started")));
  EXPECT_EQ(WSTR("2024/12/31 23:59:59.999 - P1234567/T000000 - \r\n"),
            luma::FormatLogLine(Time(2024, 12, 31, 23, 59, 59, 999), 1234567, 0, WSTR("")));
}

TEST(LogFormatTest, LineNeverExceedsItsBuffer) {
  const WString longText(5000, 'x');
  const WString line = luma::FormatLogLine(Time(2024, 1, 1, 0, 0), 1, 2, longText);
  EXPECT_EQ(luma::kMaxLogLine, line.size());
  EXPECT_EQ(WSTR("x\r\n"), line.substr(line.size() - 3));
}

TEST(LogFormatTest, FixedBufferKeepsTheLineEnd) {
  WCHAR buffer[60];
  const std::size_t length =
      luma::FormatLogLine(Time(2024, 1, 1, 0, 0), 7, 8, WSTR("0123456789abcdefghij"), buffer, 60);
  EXPECT_EQ(59u, length);
  EXPECT_EQ(WSTR("2024/01/01 00:00:00.000 - P000007/T000008 - 0123456789abc\r\n"), WString(buffer));
  EXPECT_EQ(0u, luma::FormatLogLine(Time(2024, 1, 1, 0, 0), 7, 8, WSTR("x"), buffer, 0));
  EXPECT_EQ(1u,
            luma::FormatLogLine(Time(2024, 1, 1, 0, 0), 7, 8, WSTR("x"), buffer, 2));  // only room for "\r"
}

TEST(LogFormatTest, HexDumpLayout) {
  const BYTE three[] = {0x41, 0x00, 0x7F};
  std::vector<WString> expected = {
      WSTR("     Request 3 bytes (0x0003)"),
      WSTR("       00000000  41 00 7f ") + WString(40, ' ') + WSTR(" |A..") + WString(13, ' ') + WSTR("|"),
  };
  EXPECT_EQ(expected, luma::FormatHexDump(WSTR("Request"), three, 3));

  BYTE bytes[18];
  for (int i = 0; i < 18; ++i) bytes[i] = static_cast<BYTE>(0x30 + i * 5);
  expected = {
      WSTR("     Data to sign 18 bytes (0x0012)"),
      WSTR("       00000000  30 35 3a 3f 44 49 4e 53  58 5d 62 67 6c 71 76 7b  |05:?DINSX]bglqv{|"),
      WSTR("       00000010  80 85 ") + WString(14 * 3 + 1, ' ') + WSTR(" |..") + WString(14, ' ') +
          WSTR("|"),
  };
  EXPECT_EQ(expected, luma::FormatHexDump(WSTR("Data to sign"), bytes, 18));

  expected = {WSTR("     Response 0 bytes (0x0000)")};
  EXPECT_EQ(expected, luma::FormatHexDump(WSTR("Response"), bytes, 0));
  expected = {WSTR("     Response 70000 bytes (0x11170)"), WSTR("     NULL pointer!")};
  EXPECT_EQ(expected, luma::FormatHexDump(WSTR("Response"), nullptr, 70000));
}

TEST(LogFormatTest, RotationDecisionTable) {
  const std::int64_t now = 1700000000;
  const std::int64_t day = 86400;
  struct Case {
    bool haveTime;
    std::int64_t age;
    bool haveSize;
    std::uint64_t size;
    DWORD rotateAge, rotateSize;
    bool due;
  } cases[] = {
      {true, 3 * day, false, 0, 2, 0, true},       // three days old, limit two
      {true, 3 * day, false, 0, 3, 0, false},      // whole days must exceed the limit
      {true, 4 * day - 1, false, 0, 3, 0, false},  // 3.99 days count as 3
      {true, 100 * day, false, 0, 0, 0, false},    // age 0: never by age
      {false, 100 * day, false, 0, 1, 0, false},   // no creation time read
      {true, -5 * day, false, 0, 1, 0, false},     // creation time in the future
      {false, 0, true, 1000, 0, 1000, false},      // size must exceed the limit
      {false, 0, true, 1000, 0, 999, true},        //
      {false, 0, true, 1ull << 40, 0, 0, false},   // size 0: never by size
      {false, 0, false, 5000, 0, 999, false},      // no size read
      {true, 0, true, 5000, 7, 999, true},         // either reason suffices
      {true, 0, true, 5000, 0xFFFFFFFF, 0xFFFFFFFF, false},
  };
  for (const auto& c : cases) {
    CLogFileFacts facts;
    facts.haveCreationTime = c.haveTime;
    facts.creationSeconds = now - c.age;
    facts.haveSize = c.haveSize;
    facts.size = c.size;
    EXPECT_EQ(c.due, luma::IsLogRotationDue(facts, now, c.rotateAge, c.rotateSize))
        << "age " << c.age << " size " << c.size << " limits " << c.rotateAge << "/" << c.rotateSize;
  }
}

TEST(LogFormatTest, RotatedNamesAndGenerations) {
  EXPECT_EQ(WSTR("C:\\logs\\log.txt_202403050407"),
            luma::RotatedLogName(WSTR("C:\\logs\\log.txt"), Time(2024, 3, 5, 4, 7, 59)));
  EXPECT_EQ(WSTR("C:\\logs\\"), luma::LogDirectoryPart(WSTR("C:\\logs\\log.txt")));
  EXPECT_EQ(WSTR(""), luma::LogDirectoryPart(WSTR("log.txt")));

  const std::vector<WString> found = {WSTR("d\\log.txt_202403010000"), WSTR("d\\log.txt_202401010000"),
                                      WSTR("d\\log.txt_202402010000")};
  EXPECT_EQ(std::vector<WString>{WSTR("d\\log.txt_202401010000")},
            luma::SelectLogGenerationsToDelete(found, 2));
  EXPECT_EQ((std::vector<WString>{WSTR("d\\log.txt_202401010000"), WSTR("d\\log.txt_202402010000")}),
            luma::SelectLogGenerationsToDelete(found, 1));
  EXPECT_TRUE(luma::SelectLogGenerationsToDelete(found, 0).empty());
  EXPECT_TRUE(luma::SelectLogGenerationsToDelete(found, 3).empty());
}

}  // namespace
