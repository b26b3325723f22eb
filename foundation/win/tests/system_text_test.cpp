#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"

namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

TEST(SystemTextTest, ExpandsEnvironmentTextOfAnyLength) {
  SetEnvironmentVariableW(L"LUMA_TEST_SHORT", L"abc");
  EXPECT_EQ(L"x-abc-y", luma::ExpandEnvironmentText(L"x-%LUMA_TEST_SHORT%-y"));
  const std::wstring longValue(700, L'v');
  SetEnvironmentVariableW(L"LUMA_TEST_LONG", longValue.c_str());
  EXPECT_EQ(L"<" + longValue + L">", luma::ExpandEnvironmentText(L"<%LUMA_TEST_LONG%>"));
  EXPECT_EQ(L"%LUMA_TEST_UNSET%", luma::ExpandEnvironmentText(L"%LUMA_TEST_UNSET%"));
  EXPECT_EQ(L"", luma::ExpandEnvironmentText(L""));
}

// The test program's neutral table lacks the product name, so the complete English pair is used.
TEST(SystemTextTest, VersionStringsOfTheTestProgram) {
  std::wstring name = L"x", version = L"x", legal = L"x";
  ASSERT_EQ(0u, luma::GetFileVersionStrings(OwnPath(), name, version, legal));
  EXPECT_EQ(L"lumaPass test program", name);
  EXPECT_EQ(L"1.2.3.4", version);
  EXPECT_EQ(L"Copyright test", legal);
}

TEST(SystemTextTest, VersionStringsOfFilesWithoutThem) {
  std::wstring name = L"x", version = L"x", legal = L"x";
  EXPECT_NE(0u, luma::GetFileVersionStrings(L"C:\\no\\such\\file.exe", name, version, legal));
  EXPECT_EQ(L"", name);
  EXPECT_EQ(L"", version);
  EXPECT_EQ(L"", legal);
}

TEST(SystemTextTest, FileTimesAsText) {
  SYSTEMTIME local = {};
  local.wYear = 2024;
  local.wMonth = 3;
  local.wDay = 5;
  local.wHour = 14;
  local.wMinute = 7;
  local.wSecond = 9;
  SYSTEMTIME utc;
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  FILETIME time;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
  EXPECT_EQ(L"05.03.2024 14:07:09", luma::FormatFileTime(time));
  const std::wstring date = luma::FormatFileTimeDate(time);
  EXPECT_NE(std::wstring::npos, date.find(L"2024")) << date.c_str();

  SYSTEMTIME epochPlusDay = {1970, 1, 0, 2, 0, 0, 0, 0};
  FILETIME day;
  ASSERT_TRUE(SystemTimeToFileTime(&epochPlusDay, &day));
  TIME_ZONE_INFORMATION zone;
  const DWORD mode = GetTimeZoneInformation(&zone);
  // The calendar fields are read as local time, so the zone's offset (minutes west of UTC) shifts it.
  const LONG bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  EXPECT_EQ(86400 + bias * 60, luma::FileTimeToTime64(day));
}

TEST(SystemTextTest, StringsInBuffers) {
  CSecureBuffer buffer;
  luma::StringToBuffer(L"PIN", buffer);
  ASSERT_EQ(6u, buffer.size);
  EXPECT_EQ('P', buffer.data[0]);
  EXPECT_EQ(0, buffer.data[1]);
  std::wstring text;
  luma::BufferToString(buffer, text);
  EXPECT_EQ(L"PIN", text);
  buffer.Append(1, "x");  // an odd last byte is ignored
  luma::BufferToString(buffer, text);
  EXPECT_EQ(L"PIN", text);
  luma::StringToBuffer(L"", buffer);
  EXPECT_TRUE(buffer.empty());
  luma::BufferToString(buffer, text);
  EXPECT_EQ(L"", text);

  std::wstring secret = L"1234";
  luma::WipeString(secret);
  EXPECT_EQ(std::wstring(4, L'\0'), secret);
}

TEST(SystemTextTest, UrlFirstPathSegment) {
  EXPECT_EQ(L"service", luma::GetUrlFirstPathSegment(L"https://vault.example.com/service/api/x"));
  EXPECT_EQ(L"service", luma::GetUrlFirstPathSegment(L"/service/login"));
  EXPECT_EQ(L"abc", luma::GetUrlFirstPathSegment(L"/abc"));
  EXPECT_EQ(L"login", luma::GetUrlFirstPathSegment(L"https://localhost/login?expired=1"));
  EXPECT_EQ(L"login", luma::GetUrlFirstPathSegment(L"/login#top"));
  EXPECT_EQ(L"", luma::GetUrlFirstPathSegment(L"/"));
  EXPECT_EQ(L"", luma::GetUrlFirstPathSegment(L""));
  EXPECT_EQ(L"", luma::GetUrlFirstPathSegment(L"https://vault.example.com"));
  EXPECT_EQ(L"", luma::GetUrlFirstPathSegment(L"not a url"));
}

}  // namespace
