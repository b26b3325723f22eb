#include "service/app/log_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/win/debug_log.h"
#include "policy/testing/test_registry.h"

namespace luma::app {
namespace {

class LogSettingsTest : public ::testing::Test {
 protected:
  LogSettingsTest() : key(HKEY_CURRENT_USER, luma::testing::TestKeyPath(L"Software\\luma-tests\\app")) {
    settings.AddLocation(HKEY_CURRENT_USER, key.Path());
  }
  ~LogSettingsTest() override { CloseLog(); }

  luma::testing::CTestKey key;
  CRegistryReader settings;
};

TEST_F(LogSettingsTest, LevelAndFileTurnTheLogOnAndTheFileTextIsExpanded) {
  key.SetText(L"", L"LogFile", L"%TEMP%\\luma-log-settings-test.log");
  key.SetNumber(L"", L"LogLevel", 4);
  key.SetNumber(L"", L"LogMaxGenerations", 2);
  const std::wstring file = ReadLogSettings(settings);
  EXPECT_EQ(std::wstring::npos, file.find(L'%'));
  EXPECT_NE(std::wstring::npos, file.find(L"luma-log-settings-test.log"));
  EXPECT_TRUE(CDebugLog::IsLevelEnabled(LOG_DEBUG));
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_TRACE));
  CDebugLog::Log(LOG_INFO, L"log settings test line");
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));

  CloseLog();
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_ERROR));
  DeleteFileW(file.c_str());
}

TEST_F(LogSettingsTest, WithoutLevelTheLogStaysOffButTheFileTextIsReturned) {
  key.SetText(L"", L"LogFile", L"C:\\somewhere\\lumaPassV.log");
  EXPECT_EQ(L"C:\\somewhere\\lumaPassV.log", ReadLogSettings(settings));
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_ERROR));
}

TEST_F(LogSettingsTest, ALevelOfZeroKeepsTheLogOffAndNothingGivesAnEmptyText) {
  key.SetNumber(L"", L"LogLevel", 0);
  EXPECT_EQ(L"", ReadLogSettings(settings));
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_ERROR));
}

}  // namespace
}  // namespace luma::app
