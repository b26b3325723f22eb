#include "plugins/diagnostics/module_debug_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <regex>
#include <thread>

#include "plugins/diagnostics/tests/log_test_support.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace luma::diagnostics {
namespace {

std::vector<std::string> Messages(const std::vector<std::string>& lines) {
  std::vector<std::string> messages;
  for (const std::string& line : lines) {
    const std::string message = MessageOf(line);
    EXPECT_FALSE(message.empty()) << "not in the log format: " << line;
    messages.push_back(message);
  }
  return messages;
}

// Collects what the process sends to the debugger output while it is installed.
class CDebugOutputCapture {
 public:
  CDebugOutputCapture() { handler = AddVectoredExceptionHandler(1, &CDebugOutputCapture::Handle); }
  ~CDebugOutputCapture() { RemoveVectoredExceptionHandler(handler); }
  static std::string& Text() {
    static std::string text;
    return text;
  }

 private:
  static LONG CALLBACK Handle(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
      Text().append(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* handler;
};

TEST(ModuleDebugLogTest, NamesItsFileAfterModuleTimeProcessAndProgramAndWritesTheLineFormat) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  // The directory is stored with an environment variable, which the log expands.
  SetEnvironmentVariableA("LUMA_TEST_LOG_DIR", settings.directory().c_str());
  settings.setString("DebugLogPath", "%LUMA_TEST_LOG_DIR%");
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    EXPECT_TRUE(log.isOn(kLogTrace));
    log.print(kLogInfo, "answer %d from %s", 42, "test");
    log.shutdown();
    log.print(kLogError, "after shutdown");
  }

  const auto files = settings.files();
  ASSERT_EQ(1u, files.size());
  char pid[16];
  std::snprintf(pid, sizeof(pid), "%06lu", GetCurrentProcessId());
  const std::regex fileName(settings.moduleName() + R"(_\d{8}_\d{6}_P)" + pid +
                            "_module_diagnostics_tests\\.log");
  EXPECT_TRUE(std::regex_match(files[0], fileName)) << files[0];

  DWORD threadId = 0;
  const auto lines = settings.lines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("Debug log started", MessageOf(lines[0], &threadId));
  EXPECT_EQ(GetCurrentThreadId(), threadId);
  EXPECT_EQ("answer 42 from test", MessageOf(lines[1]));
  EXPECT_EQ("Debug log shutdown", MessageOf(lines[2]));
}

TEST(ModuleDebugLogTest, WritesOnlyLinesAtOrBelowTheConfiguredLevel) {
  CTestLogSettings settings;
  settings.enableFile(kLogWarning);
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    for (int level = kLogError; level <= kLogTrace; ++level) log.print(level, "level %d", level);
    log.dump("skipped", "abc", 3);
  }
  EXPECT_EQ((std::vector<std::string>{"level 1", "level 2"}), Messages(settings.lines()));

  CTestLogSettings silent;
  silent.enableFile(0);
  {
    CModuleDebugLog log(silent.moduleName().c_str());
    log.print(kLogError, "never");
  }
  EXPECT_TRUE(silent.lines().empty());  // the file exists and stays empty
}

// Settings that write no file, whatever the other values hold.
struct NoFileCase {
  const char* name;
  std::function<void(CTestLogSettings&)> configure;
  bool enabled;
};

void PrintTo(const NoFileCase& c, std::ostream* os) { *os << c.name; }

class ModuleDebugLogNoFileTest : public ::testing::TestWithParam<NoFileCase> {};

TEST_P(ModuleDebugLogNoFileTest, WritesNoFile) {
  CTestLogSettings settings;
  GetParam().configure(settings);
  CDebugOutputCapture::Text().clear();
  {
    CDebugOutputCapture capture;
    CModuleDebugLog log(settings.moduleName().c_str());
    EXPECT_EQ(GetParam().enabled, log.isEnabled());
    log.print(kLogError, "to the debugger");
  }
  EXPECT_TRUE(settings.files().empty());
  const std::string& output = CDebugOutputCapture::Text();
  if (GetParam().enabled) {
    EXPECT_NE(std::string::npos, output.find(" - to the debugger\r\n")) << output;
  } else {
    EXPECT_EQ(std::string::npos, output.find("to the debugger"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ModuleDebugLogNoFileTest,
    ::testing::Values(NoFileCase{"NoModuleKey", [](CTestLogSettings&) {}, false},
                      NoFileCase{"SwitchedOff",
                                 [](CTestLogSettings& s) {
                                   s.enableFile(kLogTrace);
                                   s.setDword("EnableDebugLog", 0);
                                 },
                                 false},
                      NoFileCase{"SwitchStoredAsText",
                                 [](CTestLogSettings& s) {
                                   s.enableFile(kLogTrace);
                                   s.setString("EnableDebugLog", "1");
                                 },
                                 false},
                      NoFileCase{"NoPath", [](CTestLogSettings& s) { s.setDword("EnableDebugLog", 1); },
                                 true},
                      NoFileCase{"PathStoredAsExpandString",
                                 [](CTestLogSettings& s) {
                                   s.enableFile(kLogTrace);
                                   s.setString("DebugLogPath", s.directory(), REG_EXPAND_SZ);
                                 },
                                 true},
                      NoFileCase{"MissingDirectory",
                                 [](CTestLogSettings& s) {
                                   s.enableFile(kLogTrace);
                                   s.setString("DebugLogPath", s.directory() + "\\missing");
                                 },
                                 true}),
    [](const ::testing::TestParamInfo<NoFileCase>& info) { return info.param.name; });

// The log is a global of a library loaded into other processes: running out of memory while it reads
// its settings must neither throw out of its constructor nor leave its mutex held. Each allocation
// of the load is refused in turn; the log then comes up off, without a file, and another thread can
// take its mutex at once.
TEST(ModuleDebugLogTest, AnAllocationFailureWhileReadingTheSettingsLeavesTheLogOffAndItsMutexFree) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  bool completed = false;
  for (int allowed = 0; !completed && allowed < 64; ++allowed) {
    std::optional<CModuleDebugLog> log;
    {
      luma::testing::CRefusedAllocations refusal(allowed);
      log.emplace(settings.moduleName().c_str());
      completed = !refusal.refusedAny();
    }
    EXPECT_EQ(completed, log->isEnabled()) << "allocations allowed: " << allowed;
    if (!completed) {
      EXPECT_TRUE(settings.files().empty()) << "allocations allowed: " << allowed;
    }
    DWORD waited = WAIT_FAILED;
    std::thread other([&] {
      waited = WaitForSingleObject(log->getMutexHandle(), 0);
      if (waited == WAIT_OBJECT_0) ReleaseMutex(log->getMutexHandle());
    });
    other.join();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), waited) << "allocations allowed: " << allowed;
  }
  EXPECT_TRUE(completed);  // some count of allowed allocations reads the settings to the end
  EXPECT_EQ(1u, settings.files().size());
}

TEST(ModuleDebugLogTest, DumpsSixteenBytesPerRowWithATextColumn) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    BYTE data[20];
    for (int i = 0; i < 20; ++i) data[i] = static_cast<BYTE>(0x3A + i);
    data[0] = 0x00;
    data[19] = 0x7F;
    log.dump("pValue", data, sizeof(data));
    log.dump("pNothing", nullptr, 4);
    log.dump("pEmpty", data, 0);
  }
  const auto messages = Messages(settings.lines());
  ASSERT_EQ(8u, messages.size());
  EXPECT_EQ("     pValue 20 bytes (0x0014)", messages[1]);
  EXPECT_EQ("       00000000  00 3b 3c 3d 3e 3f 40 41  42 43 44 45 46 47 48 49  |.;<=>?@ABCDEFGHI|",
            messages[2]);
  // Four bytes, twelve three-blank gaps with the extra blank before the ninth position, a padded text.
  EXPECT_EQ("       00000010  4a 4b 4c 7f " + std::string(4 * 3, ' ') + " " + std::string(8 * 3, ' ') +
                " |JKL.            |",
            messages[3]);
  EXPECT_EQ("     pNothing 4 bytes (0x0004)", messages[4]);
  EXPECT_EQ("     NULL pointer!", messages[5]);
  EXPECT_EQ("     pEmpty 0 bytes (0x0000)", messages[6]);
}

TEST(ModuleDebugLogTest, KeepsTheLastErrorAndCutsLongLinesWithTheirLineEnd) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    SetLastError(0x1234);
    log.print(kLogInfo, "%s", std::string(5000, 'x').c_str());
    log.dump("data", "abc", 3);
    log.stackTrace();
    EXPECT_EQ(0x1234u, GetLastError());
  }
  const auto lines = settings.lines();  // fails when a line lacks its "\r\n"
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(2045u, lines[1].size());
  EXPECT_EQ(std::string::npos, lines[1].find_first_not_of('x', lines[1].find(" - x") + 3));
  EXPECT_EQ("  Stack Trace", MessageOf(lines[4]));
  // One line per frame whose module is known (Wine may find no frames in code without frame pointers).
  for (size_t i = 5; i + 1 < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(MessageOf(lines[i]), std::regex(R"(     \[\d{3}\] .+!.+)"))) << lines[i];
  }
  EXPECT_EQ("Debug log shutdown", MessageOf(lines.back()));
}

TEST(ModuleDebugLogTest, ErrorTextsComeFromTheSystemWithoutTheLineEnd) {
  const std::string text = getErrorText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE('\n', text.back());
  EXPECT_EQ("Unknown error", getErrorText(0x2FFFFFFF));
}

}  // namespace
}  // namespace luma::diagnostics
