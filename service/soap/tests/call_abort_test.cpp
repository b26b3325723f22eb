// Cutting a remote call short from another thread, as the program's shut-down does.
#include "service/soap/call_abort.h"

#include <gtest/gtest.h>

#include <thread>

#include "policy/testing/test_registry.h"
#include "service/soap/soap_secure_wininet_client.h"
#include "service/testing/soap_test_fixture.h"

namespace luma::service::testing {
namespace {

TEST_F(SoapTransportTest, AbortEndsACallInFlightAndFailsLaterOnes) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  auto group = std::make_shared<CCallAbort>();
  HRESULT result = S_OK;
  ULONGLONG took = 0;
  std::thread caller([&] {
    CCallAbortScope scope(group);
    CSoapSecureWininetClient client(service.Url(L"/delay/8000").c_str());
    client.RequestBody() = kIsAliveEnvelope;
    const ULONGLONG start = GetTickCount64();
    result = client.SendRequest(kIsAliveAction);
    took = GetTickCount64() - start;
    // Closing the transport afterwards closes nothing twice.
    client.CleanupHandles();
    // A later call of the same transport fails at once.
    EXPECT_EQ(E_FAIL, client.SendRequest(kIsAliveAction));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_OPERATION_CANCELLED), client.GetLastErrorCode());
  });
  // The request has reached the service: the call is blocked on the answer.
  for (int i = 0; i < 500 && service.Requests().empty(); ++i) Sleep(10);
  ASSERT_FALSE(service.Requests().empty());
  EXPECT_EQ(1u, group->AttachedCount());
  group->Abort();
  caller.join();
  EXPECT_TRUE(FAILED(result)) << "the answer of an aborted call was taken";
  EXPECT_EQ(0u, group->AttachedCount());

  // A transport made after the abort never connects.
  CCallAbortScope scope(group);
  CSoapSecureWininetClient late(service.Url(L"/fixed").c_str());
  late.RequestBody() = kIsAliveEnvelope;
  EXPECT_EQ(E_FAIL, late.SendRequest(kIsAliveAction));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_OPERATION_CANCELLED), late.GetLastErrorCode());
  EXPECT_EQ(1u, service.Requests().size());

  if (took >= 6000 && luma::testing::RunningUnderWine()) {
    GTEST_SKIP() << "Wine ends a WinINet call blocked on its answer only when the answer or the time-out "
                    "comes, not when another thread closes its handles (took "
                 << took << " ms)";
  }
  EXPECT_LT(took, 6000u) << "the call waited for the answer instead of ending at the abort";
}

TEST(CallAbortScopeTest, ScopesNestAndEndWithTheirThread) {
  auto outer = std::make_shared<CCallAbort>();
  auto inner = std::make_shared<CCallAbort>();
  EXPECT_EQ(nullptr, CCallAbortScope::Current());
  {
    CCallAbortScope first(outer);
    EXPECT_EQ(outer, CCallAbortScope::Current());
    {
      CCallAbortScope second(inner);
      EXPECT_EQ(inner, CCallAbortScope::Current());
      std::thread other([] { EXPECT_EQ(nullptr, CCallAbortScope::Current()); });
      other.join();
    }
    EXPECT_EQ(outer, CCallAbortScope::Current());
  }
  EXPECT_EQ(nullptr, CCallAbortScope::Current());
}

}  // namespace
}  // namespace luma::service::testing
