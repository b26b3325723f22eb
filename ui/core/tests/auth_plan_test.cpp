#include "ui/core/auth_plan.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

constexpr int kPassword = 1;
constexpr int kSms = 3;
constexpr int kCertificate = 4;
constexpr int kKerberos = 5;

TEST(AuthPlanTest, PagesForEachLoginMethodAndState) {
  using P = AuthPage;
  using K = AuthPlanKind;
  struct Case {
    const char* name;
    AuthSituation situation;  // type, interactive, account ready, PIN ready, qualified
    K kind;
    std::vector<AuthPage> pages;
  } cases[] = {
      {"all ready", {kPassword, true, true, true, false}, K::kGrant, {}},
      {"all ready, qualified", {kPassword, true, true, true, true}, K::kConfirm, {}},
      {"non-interactive, all ready, qualified", {kKerberos, false, true, true, true}, K::kConfirm, {}},
      {"token cached, PIN needed", {kPassword, true, true, false, false}, K::kDialog, {P::kPassword}},
      {"non-interactive, PIN needed",
       {kKerberos, false, true, false, false},
       K::kDialog,
       {P::kCheck, P::kPassword}},
      {"OTP login, PIN cached", {kAuthTypeOtp, true, false, true, false}, K::kDialog, {P::kOtpLogin}},
      {"OTP login and PIN",
       {kAuthTypeOtp, true, false, false, true},
       K::kDialog,
       {P::kOtpLogin, P::kPassword}},
      {"browser login, PIN cached",
       {kAuthTypeBrowser, true, false, true, false},
       K::kDialog,
       {P::kBrowserLogin}},
      {"browser login and PIN",
       {kAuthTypeBrowser, true, false, false, false},
       K::kDialog,
       {P::kBrowserLogin, P::kPassword}},
      // Methods without a login page of their own: only the PIN can be asked for.
      {"password login, PIN needed", {kPassword, true, false, false, false}, K::kDialog, {P::kPassword}},
      {"password login, PIN cached", {kPassword, true, false, true, false}, K::kCancel, {}},
      {"SMS login, PIN cached, qualified", {kSms, true, false, true, true}, K::kCancel, {}},
      {"certificate login, PIN cached", {kCertificate, true, false, true, false}, K::kCancel, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AuthPlan plan = PlanAuthentication(c.situation);
    EXPECT_EQ(c.kind, plan.kind);
    EXPECT_EQ(c.pages, plan.pages);
  }
}

TEST(AuthPlanTest, StatusOfEachWayOut) {
  // The lock's wait: {lock, stop event}.
  EXPECT_EQ(AuthLockWait::kObtained, ClassifyAuthLockWait(0));
  EXPECT_EQ(AuthLockWait::kObtained, ClassifyAuthLockWait(0x80)) << "an abandoned lock is owned";
  EXPECT_EQ(AuthLockWait::kStopped, ClassifyAuthLockWait(1));
  EXPECT_EQ(AuthLockWait::kFailed, ClassifyAuthLockWait(0x81));
  EXPECT_EQ(AuthLockWait::kFailed, ClassifyAuthLockWait(0xFFFFFFFF));
  EXPECT_EQ(AuthLockWait::kFailed, ClassifyAuthLockWait(0x102));

  struct Case {
    int result;
    bool blocked, stopping;
    std::uint32_t status;
  } cases[] = {
      {1, false, false, kAuthGranted},    {1, true, true, kAuthGranted}, {2, false, false, kAuthCancelled},
      {2, true, false, kAuthBlocked},     {2, true, true, kAuthBlocked}, {2, false, true, kAuthStopped},
      {-1, false, false, kAuthCancelled},  // the sheet could not be made
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.status, AuthDialogStatus(c.result, c.blocked, c.stopping))
        << c.result << " " << c.blocked << " " << c.stopping;
  }
}

}  // namespace
}  // namespace luma::ui
