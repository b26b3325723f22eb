#include "policy/signed/pin_policy.h"

#include <gtest/gtest.h>

#include <limits>

#include "policy/core/policy_exception.h"
#include "policy/core/tests/policy_fixtures.h"

namespace {

FILETIME DaysFromNow(double days) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  value.QuadPart += static_cast<LONGLONG>(days * 864000000000.0);
  return FILETIME{value.LowPart, value.HighPart};
}

FILETIME Date(WORD year, WORD month, WORD day) {
  SYSTEMTIME system = {};
  system.wYear = year;
  system.wMonth = month;
  system.wDay = day;
  FILETIME time = {};
  SystemTimeToFileTime(&system, &time);
  return time;
}

CPinPolicy WithPin(DWORD minLength, DWORD maxLength, const FILETIME& nextPinChange) {
  CPinPolicy policy;
  policy.pinConstraints.minLength = minLength;
  policy.pinConstraints.maxLength = maxLength;
  policy.nextPinChange = nextPinChange;
  return policy;
}

TEST(PinPolicyTest, DatesAndPinRules) {
  constexpr int kNoPin = std::numeric_limits<int>::max();
  struct Case {
    CPinPolicy policy;
    bool noPin, transport, due;
    int days;  // kNoPin, or the count with a margin of half a day for the local offset
  } cases[] = {
      {WithPin(0, 0, Date(1990, 1, 1)), true, true, false, kNoPin},
      {WithPin(4, 8, Date(1990, 1, 1)), false, true, true, -1},
      {WithPin(0, 8, DaysFromNow(10.5)), false, false, false, 10},
      {WithPin(4, 8, DaysFromNow(-20.5)), false, false, true, -20},
      {WithPin(4, 0, Date(2000, 1, 2)), false, false, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.noPin, c.policy.HasNoPin());
    EXPECT_EQ(c.transport, c.policy.IsTransportPin());
    EXPECT_EQ(c.due, c.policy.IsPinChangeDue());
    if (c.days == kNoPin) {
      EXPECT_EQ(kNoPin, c.policy.GetDaysUntilPinChange());
    } else if (c.days == -1) {
      EXPECT_LT(c.policy.GetDaysUntilPinChange(), -300);
    } else {
      EXPECT_EQ(c.days, c.policy.GetDaysUntilPinChange());
    }
  }
}

TEST(PinPolicyTest, DecodesItsElement) {
  const CSecureBuffer pinConstraints =
      Der(0x30, {DerInt(1), DerInt(4), DerInt(8), DerInt(1), DerInt(0), DerInt(0), DerInt(0)});
  const CPinPolicy policy(
      Der(0x30, {DerInt(1), DerInt(60), DerInt(3), DerBytes(0x17, "271231235959Z"), pinConstraints}));
  EXPECT_EQ(60u, policy.maxPinCacheTime);
  EXPECT_EQ(3u, policy.maxPinCacheReuse);
  EXPECT_EQ(8u, policy.pinConstraints.maxLength);
  SYSTEMTIME change;
  ASSERT_TRUE(FileTimeToSystemTime(&policy.nextPinChange, &change));
  EXPECT_EQ(2027, change.wYear);
  EXPECT_THROW(CPinPolicy(Der(0x30, {DerInt(1)})), CPolicyException);
}

TEST(PinPolicyTest, DefaultIsAllZero) {
  const CPinPolicy policy;
  EXPECT_EQ(0, policy.version);
  EXPECT_EQ(0u, policy.maxPinCacheTime);
  EXPECT_EQ(0u, policy.nextPinChange.dwHighDateTime);
  EXPECT_TRUE(policy.HasNoPin());
}

}  // namespace
