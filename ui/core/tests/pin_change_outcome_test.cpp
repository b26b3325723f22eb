#include "ui/core/pin_change_outcome.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

TEST(PinChangeOutcomeTest, RuleLinesForNoneOneAndSeveral) {
  const PinRuleCounts none;
  const std::vector<RuleLine> empty = PasswordRuleLines(none);
  ASSERT_EQ(5u, empty.size());
  const unsigned noneIds[] = {10003, 10006, 10011, 10017, 10021};
  for (size_t i = 0; i < empty.size(); ++i) {
    EXPECT_EQ(noneIds[i], empty[i].textId) << i;
    EXPECT_FALSE(empty[i].enabled) << i;
  }

  const std::vector<RuleLine> one = PasswordRuleLines({0, 8, 1, 1, 1, 1});
  const unsigned oneIds[] = {10005, 10007, 10014, 10018, 10023};
  for (size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(oneIds[i], one[i].textId) << i;
    EXPECT_TRUE(one[i].enabled) << i;
  }
  EXPECT_EQ(0, one[0].first) << "a maximum alone still names the range";
  EXPECT_EQ(8, one[0].second);

  const std::vector<RuleLine> many = PasswordRuleLines({8, 20, 2, 3, 4, 5});
  const unsigned manyIds[] = {10005, 10008, 10015, 10019, 10025};
  const int counts[] = {8, 2, 3, 4, 5};
  for (size_t i = 0; i < many.size(); ++i) {
    EXPECT_EQ(manyIds[i], many[i].textId) << i;
    EXPECT_EQ(counts[i], many[i].first) << i;
  }
  EXPECT_EQ(20, many[0].second);
}

TEST(PinChangeOutcomeTest, OkNeedsEveryRuleAndACurrentPasswordUnlessItMayBeEmpty) {
  struct Case {
    bool rules, currentEmpty;
    int minLength, maxLength;
    bool enabled;
  } cases[] = {
      {true, false, 4, 8, true}, {false, false, 4, 8, false}, {true, true, 4, 8, false},
      {true, true, 0, 8, true},  {false, true, 0, 8, false},  {true, true, 0, 0, false},
  };
  for (const Case& c : cases) {
    PinRuleCounts counts;
    counts.minLength = c.minLength;
    counts.maxLength = c.maxLength;
    EXPECT_EQ(c.enabled, PinChangeOkEnabled(c.rules, c.currentEmpty, counts))
        << c.rules << c.currentEmpty << c.minLength << c.maxLength;
  }
}

TEST(PinChangeOutcomeTest, EachAnswerOfTheService) {
  using M = PinChangeMessage;
  using S = PinChangeStep;
  struct Case {
    const char* name;
    bool failed;
    int status;
    bool blocked;
    int tries;
    M message;
    S step;
  } cases[] = {
      {"no answer", true, 0, false, -1, M::kServiceError, S::kKeepInput},
      {"changed", false, 0, false, -1, M::kChanged, S::kEndChanged},
      {"wrong, 2 left", false, 1, false, 2, M::kWrongPasswordTries, S::kClearInput},
      {"wrong, none left", false, 1, true, 0, M::kBlocked, S::kEndBlocked},
      {"blocked", false, 2, true, 0, M::kBlocked, S::kEndBlocked},
      {"key usage", false, 3, false, -1, M::kWrongPassword, S::kClearInput},
      {"policy", false, 4, false, -1, M::kPolicyViolation, S::kClearInput},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PinChangeOutcome outcome = DecidePinChange(c.failed, c.status, c.blocked, c.tries);
    EXPECT_EQ(c.message, outcome.message);
    EXPECT_EQ(c.step, outcome.step);
  }
}

}  // namespace
}  // namespace luma::ui
