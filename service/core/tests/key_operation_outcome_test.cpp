#include "service/core/key_operation_outcome.h"

#include <gtest/gtest.h>

#include <string>

namespace {
using namespace luma::service;

TEST(KeyOperationOutcomeTest, EveryServiceStatusHasItsRow) {
  struct Row {
    int code;
    const char* logLine;
    PinCacheEffect pinCache;
    DWORD errorText;
  };
  const Row rows[] = {
      {0, "Call returned OK", PinCacheEffect::kNone, 10090},
      {1, "Call returned INVALID_PIN", PinCacheEffect::kRemovePin, 10088},
      {2, "Call returned BLOCKED", PinCacheEffect::kRemovePinMarkBlocked, 10089},
      {3, "Call returned INVALID_KEY_USAGE", PinCacheEffect::kNone, 10087},
      {4, "Call returned PIN_POLICY_VIOLATION", PinCacheEffect::kNone, 10090},
  };
  for (const Row& row : rows) {
    const KeyOperationOutcome outcome = OutcomeOfStatus(row.code);
    EXPECT_EQ(std::string(outcome.logLine), row.logLine) << row.code;
    EXPECT_EQ(outcome.pinCache, row.pinCache) << row.code;
    EXPECT_EQ(outcome.errorText, row.errorText) << row.code;
  }
}

TEST(KeyOperationOutcomeTest, UnknownCodeIsAnUnexpectedErrorThatKeepsThePin) {
  for (int code : {-1, 5, 500}) {
    const KeyOperationOutcome outcome = OutcomeOfStatus(code);
    EXPECT_EQ(outcome.pinCache, PinCacheEffect::kNone) << code;
    EXPECT_EQ(outcome.errorText, kStrUnexpectedError) << code;
  }
}

}  // namespace
