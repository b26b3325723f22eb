#include "service/app/auto_update.h"

#include <gtest/gtest.h>

#include <thread>

#include "foundation/win/unique_handle.h"
#include "policy/testing/test_registry.h"

namespace luma::app {
namespace {

// A Kerberos provider whose service cannot be reached: every attempt fails at once.
class AutoUpdateTest : public ::testing::Test {
 protected:
  AutoUpdateTest() : key(HKEY_CURRENT_USER, luma::testing::TestKeyPath(L"Software\\luma-tests\\app")) {}

  std::shared_ptr<CProviderContext> Provider(DWORD autoRefresh, DWORD maxErrors) {
    key.SetText(L"UNREACHABLE", L"AuthenticationType", L"KERBEROS");
    key.SetText(L"UNREACHABLE", L"ServiceURL", L"https://127.0.0.1:1/vault");
    key.SetNumber(L"UNREACHABLE\\Kerberos", L"AutoProvision", 1);
    key.SetNumber(L"UNREACHABLE\\Kerberos", L"AutoRefresh", autoRefresh);
    key.SetNumber(L"UNREACHABLE\\Kerberos", L"AutoMaxConsecutiveErrors", maxErrors);
    return std::make_shared<CProviderContext>(CProviderConfig(key.get(), L"UNREACHABLE"));
  }

  luma::testing::CTestKey key;
  luma::CKernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST_F(AutoUpdateTest, WithoutRefreshTheThreadEndsAfterTheFirstPassEvenWhenTheAttemptFailed) {
  const auto context = Provider(0, 0);
  ASSERT_TRUE(context->IsAutoProvisionDue());
  RunAutoUpdates({context}, stop.get(), INFINITE);  // returns: no wait for a further pass
  EXPECT_EQ(1u, context->autoUpdateAttempts);
}

TEST_F(AutoUpdateTest, FailuresSuspendTheProviderAfterTheLimitAndTheStopEventEndsTheLoop) {
  const auto context = Provider(1, 2);
  std::thread worker([&] { RunAutoUpdates({context}, stop.get(), 10); });
  for (int i = 0; i < 3000 && !context->IsAutoUpdateSuspended(); ++i) Sleep(10);
  EXPECT_TRUE(context->IsAutoUpdateSuspended());
  Sleep(100);  // several more passes: a suspended provider is not tried again
  SetEvent(stop.get());
  worker.join();
  EXPECT_EQ(3u, context->autoUpdateAttempts);
}

TEST_F(AutoUpdateTest, ASetStopEventEndsBeforeAnyAttempt) {
  const auto context = Provider(1, 0);
  SetEvent(stop.get());
  RunAutoUpdates({context}, stop.get(), INFINITE);
  EXPECT_EQ(0u, context->autoUpdateAttempts);
}

}  // namespace
}  // namespace luma::app
