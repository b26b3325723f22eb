#include "plugins/diagnostics/entry_boundary.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace luma::diagnostics {
namespace {

constexpr DWORD kMemoryError = 0x8009000E;
constexpr DWORD kOtherError = 0x80090020;

// A module whose bodies answer with a status code and whose failures also leave a last error.
struct TestStatus {
  using Status = DWORD;
  static Status OutOfMemory() noexcept {
    SetLastError(kMemoryError);
    return kMemoryError;
  }
  static Status Failure() noexcept {
    SetLastError(kOtherError);
    return kOtherError;
  }
  // Answers with a value the tracer was given, to show the answer passed through it.
  static DWORD Record(CFunctionTracer& tracer, Status status) noexcept {
    return tracer.setResult(status) + 1;
  }
};

struct BoundaryCase {
  const char* name;
  std::function<DWORD()> body;
  DWORD answer;
  DWORD lastError;
};

void PrintTo(const BoundaryCase& c, std::ostream* os) { *os << c.name; }

class EntryBoundaryTest : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(EntryBoundaryTest, AnswersForTheBodyOrForWhatItThrew) {
  const BoundaryCase& c = GetParam();
  SetLastError(0);
  EXPECT_EQ(c.answer, RunAtBoundary<TestStatus>(c.body));
  EXPECT_EQ(c.lastError, GetLastError());

  CModuleDebugLog log("lumaPassBoundaryTest");
  DWORD recorded = 0;
  DWORD traced = 0;
  {
    CFunctionTracer tracer(log, "Entry", TraceExitForm::SecurityStatus);
    traced = RunAtBoundary<TestStatus>(tracer, c.body);
    recorded = tracer.getResult();
  }
  EXPECT_EQ(c.answer, recorded);
  EXPECT_EQ(c.answer + 1, traced);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, EntryBoundaryTest,
    ::testing::Values(BoundaryCase{"Answer", [] { return DWORD{7}; }, 7, 0},
                      BoundaryCase{"OutOfMemory", []() -> DWORD { throw std::bad_alloc(); }, kMemoryError,
                                   kMemoryError},
                      BoundaryCase{"StandardException", []() -> DWORD { throw std::runtime_error("x"); },
                                   kOtherError, kOtherError},
                      BoundaryCase{"AnythingElse", []() -> DWORD { throw 42; }, kOtherError, kOtherError}),
    [](const ::testing::TestParamInfo<BoundaryCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace luma::diagnostics
