// The rule of the handler's main lock: no policy change while it is held. Changes reach the
// handler under the provider's update lock, so the opposite order could deadlock; the test build
// reports it before the thread waits.
#include "foundation/core/lock_order.h"

#include <stdexcept>

#include "service/handler/tests/handler_test_support.h"

namespace luma::service::testing {
namespace {

class CLockHoldingHandler : public CTestHandler {
 public:
  template <typename F>
  void UnderMainLock(F work) {
    luma::CRankedMutexObjLock guard(mainLock);
    work();
  }
};

[[noreturn]] void ThrowOnViolation(luma::LockRank, luma::LockRank) { throw std::logic_error("lock order"); }

TEST(HandlerLockOrderTest, PolicyChangeUnderTheMainLockIsReported) {
  if (!luma::kLockOrderChecks) GTEST_SKIP() << "lock-order checks are not compiled into this build";
  static CTestCertificateMaker maker;
  const std::wstring store = UniqueName(L"lumaPassHandlerStore");
  auto provider = MakeProvider(L"ACME", store);
  {
    CLockHoldingHandler handler;
    handler.Attach(provider);
    CPolicyPtr policy = MakeAccount(L"ACME", L"alice");
    policy->certificatePolicies.push_back(MakeCertificatePolicy(maker, policy->accountKey, L"Sign"));

    const luma::LockOrderViolationHandler previous = luma::SetLockOrderViolationHandler(ThrowOnViolation);
    EXPECT_THROW(handler.UnderMainLock([&] { provider->AddPolicy(policy, false); }), std::logic_error);
    luma::SetLockOrderViolationHandler(previous);
    EXPECT_TRUE(handler.GetPendingContexts().empty());

    // Without the main lock the same change goes through (under the default check, which aborts).
    provider->AddPolicy(policy, false);
    ASSERT_TRUE(handler.WaitForUpdateThread(20000));
    EXPECT_EQ(handler.GetActiveContexts().size(), 1u);
    provider->RemovePolicy(*policy);
    ASSERT_TRUE(handler.WaitForUpdateThread(20000));
    EXPECT_TRUE(handler.GetActiveContexts().empty());
  }
  CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, store.c_str());
}

}  // namespace
}  // namespace luma::service::testing
