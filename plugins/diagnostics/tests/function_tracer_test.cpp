#include "plugins/diagnostics/function_tracer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <regex>
#include <thread>

#include "plugins/diagnostics/tests/log_test_support.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace luma::diagnostics {
namespace {

constexpr DWORD kCkrFunctionFailed = 6;
constexpr DWORD kNteBadKeyset = 0x80090016;

// Runs one traced entry with the given form, result and last error; returns the messages it logged.
std::vector<std::string> TraceOnce(TraceExitForm form, DWORD result, DWORD error, DWORD* lastErrorAfter) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    {
      CFunctionTracer tracer(log, "C_Sign", form);
      SetLastError(error);
      tracer.setResult(result);
      SetLastError(0xBADu);  // whatever happens after the result is recorded
    }
    *lastErrorAfter = GetLastError();
  }
  std::vector<std::string> messages;
  for (const std::string& line : settings.lines()) messages.push_back(MessageOf(line));
  return std::vector<std::string>(messages.begin() + 1, messages.end() - 1);  // without start and shutdown
}

struct ExitCase {
  const char* name;
  TraceExitForm form;
  DWORD result;
  DWORD error;
  const char* exitLine;  // regular expression
  DWORD lastErrorAfter;
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class FunctionTracerExitTest : public ::testing::TestWithParam<ExitCase> {};

TEST_P(FunctionTracerExitTest, WritesTheModulesExitLineAndLeavesTheRecordedLastError) {
  const ExitCase& c = GetParam();
  DWORD lastError = 0;
  const auto messages = TraceOnce(c.form, c.result, c.error, &lastError);
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ("-> C_Sign", messages[0]);
  EXPECT_TRUE(std::regex_match(messages[1], std::regex(c.exitLine))) << messages[1];
  EXPECT_EQ(c.lastErrorAfter, lastError);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FunctionTracerExitTest,
    ::testing::Values(ExitCase{"Pkcs11Success", TraceExitForm::Pkcs11, 0, 5, R"(<- C_Sign \d+ms SUCCESS)", 0},
                      ExitCase{"Pkcs11Failure", TraceExitForm::Pkcs11, kCkrFunctionFailed,
                               ERROR_ACCESS_DENIED,
                               R"(<- C_Sign \d+ms PKCS#11 ERROR 0x00000006 \(LastError 0x00000005: .+\))",
                               ERROR_ACCESS_DENIED},
                      ExitCase{"SecurityStatusFailure", TraceExitForm::SecurityStatus, kNteBadKeyset,
                               ERROR_FILE_NOT_FOUND,
                               R"(<- C_Sign \d+ms ERROR 0x80090016: .+ \(LastError 0x00000002: .+\))",
                               ERROR_FILE_NOT_FOUND},
                      ExitCase{"BoolSuccess", TraceExitForm::Bool, TRUE, 0, R"(<- C_Sign \d+ms SUCCESS)", 0},
                      ExitCase{"BoolFailure", TraceExitForm::Bool, FALSE, ERROR_INVALID_PARAMETER,
                               R"(<- C_Sign \d+ms ERROR: .+)", ERROR_INVALID_PARAMETER}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

TEST(FunctionTracerTest, BelowTraceLevelWritesNothingButStillSetsTheLastError) {
  CTestLogSettings settings;
  settings.enableFile(kLogInfo);
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    {
      CFunctionTracer tracer(log, "CPAcquireContext", TraceExitForm::Bool, &settings);
      tracer.setResult(FALSE, NTE_BAD_KEYSET);
      SetLastError(0);
    }
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());
  }
  EXPECT_TRUE(settings.lines().empty());
}

// The exit line of a failed call needs memory for the error text; without it the host process must
// neither end nor lose the recorded last error.
TEST(FunctionTracerTest, ExitOfAFailedCallWithoutMemoryStillWritesItsLineAndLastError) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  DWORD lastError = 0;
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    std::optional<luma::testing::CRefusedAllocations> refusal;
    {
      CFunctionTracer tracer(log, "C_Sign", TraceExitForm::SecurityStatus);
      tracer.setResult(kNteBadKeyset, ERROR_INVALID_PARAMETER);
      refusal.emplace();
    }
    EXPECT_TRUE(refusal->refusedAny());
    refusal.reset();
    lastError = GetLastError();
  }
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), lastError);
  std::vector<std::string> messages;
  for (const std::string& line : settings.lines()) messages.push_back(MessageOf(line));
  ASSERT_EQ(4u, messages.size());
  EXPECT_TRUE(std::regex_match(
      messages[2], std::regex(R"(<- C_Sign \d+ms ERROR 0x80090016: .* \(LastError 0x00000057: .*\))")))
      << messages[2];
}

TEST(FunctionTracerTest, TwoThreadsTracingAtOnceKeepEveryLineWholeAndEveryDumpTogether) {
  CTestLogSettings settings;
  settings.enableFile(kLogTrace);
  constexpr int kCalls = 150;
  {
    CModuleDebugLog log(settings.moduleName().c_str());
    auto work = [&log](const char* name) {
      for (int i = 0; i < kCalls; ++i) {
        CFunctionTracer tracer(log, name, TraceExitForm::SecurityStatus, &log);
        log.print(kLogTrace, "     %s call %d", name, i);
        const char data[] = "0123456789abcdefghij";
        log.dump(name, data, 20);
        tracer.setResult(0);
      }
    };
    std::thread first(work, "OpenKey");
    std::thread second(work, "SignHash");
    first.join();
    second.join();
  }

  const auto lines = settings.lines();
  std::map<DWORD, std::vector<std::string>> byThread;
  std::vector<std::pair<DWORD, std::string>> sequence;
  for (const std::string& line : lines) {
    DWORD thread = 0;
    const std::string message = MessageOf(line, &thread);
    ASSERT_FALSE(message.empty()) << "broken line: " << line;
    byThread[thread].push_back(message);
    sequence.emplace_back(thread, message);
  }
  // A dump's header and its two rows follow each other without a line of the other thread between.
  for (size_t i = 0; i < sequence.size(); ++i) {
    if (sequence[i].second.find(" 20 bytes (0x0014)") == std::string::npos) continue;
    ASSERT_LT(i + 2, sequence.size());
    EXPECT_EQ(sequence[i].first, sequence[i + 1].first);
    EXPECT_EQ(sequence[i].first, sequence[i + 2].first);
    EXPECT_EQ(0u, sequence[i + 1].second.find("       00000000  30 31"));
    EXPECT_EQ(0u, sequence[i + 2].second.find("       00000010  67 68 69 6a"));
  }
  // Each thread's own lines come in its order: entry, message, three dump lines, exit.
  int threadsWithCalls = 0;
  for (const auto& entry : byThread) {
    const auto& messages = entry.second;
    if (messages.size() != static_cast<size_t>(kCalls) * 6) continue;
    ++threadsWithCalls;
    const std::string name = messages[0].substr(3, messages[0].find(' ', 3) - 3);
    for (int i = 0; i < kCalls; ++i) {
      EXPECT_EQ(0u, messages[i * 6].find("-> " + name + " [")) << messages[i * 6];
      EXPECT_EQ("     " + name + " call " + std::to_string(i), messages[i * 6 + 1]);
      EXPECT_TRUE(std::regex_match(messages[i * 6 + 5], std::regex("<- " + name + R"( \d+ms SUCCESS)")));
    }
  }
  EXPECT_EQ(2, threadsWithCalls);
}

}  // namespace
}  // namespace luma::diagnostics
