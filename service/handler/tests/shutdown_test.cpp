// The end of the handler's life: a thread that does not end in time is left running on a handler it
// keeps alive, and a policy notification in flight is waited out before the handler can go.
#include <atomic>
#include <list>
#include <memory>
#include <thread>

#include "service/core/transaction_runner.h"
#include "service/handler/tests/handler_test_support.h"

namespace luma::service::testing {
namespace {

constexpr DWORD kWait = 20000;

CTestCertificateMaker& Maker() {
  static CTestCertificateMaker maker;
  return maker;
}

// A manual-reset event, for handing a step between threads.
class CSignal {
 public:
  void Set() { SetEvent(event.get()); }
  bool Wait(DWORD milliseconds = kWait) const {
    return WaitForSingleObject(event.get(), milliseconds) == WAIT_OBJECT_0;
  }

 private:
  luma::CKernelHandle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

class ShutdownTest : public ::testing::Test {
 protected:
  ShutdownTest()
      : storeName(UniqueName(L"lumaPassShutdownStore")), provider(MakeProvider(L"ACME", storeName)) {}
  ~ShutdownTest() override {
    CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                  CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, storeName.c_str());
  }

  CPolicyPtr Account(const std::wstring& userId) {
    CPolicyPtr policy = MakeAccount(L"ACME", userId);
    policy->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), policy->accountKey, L"Sign"));
    return policy;
  }

  const std::wstring storeName;
  std::shared_ptr<CProviderContext> provider;
};

TEST_F(ShutdownTest, AStoreWriteHoldingTheMainLockDoesNotHoldUpTheShutdown) {
  auto handler = std::make_shared<CTestHandler>();
  const std::weak_ptr<CTestHandler> watch = handler;
  CSignal writing;
  std::atomic<bool> writeDone{false};
  // The first property write of the update run holds the main lock for six seconds.
  handler->SetCertPropertyWriterForTesting(
      [&, first = std::make_shared<std::atomic<bool>>(true)](PCCERT_CONTEXT, DWORD, DWORD, const void*) {
        if (first->exchange(false)) {
          writing.Set();
          Sleep(6000);
          writeDone = true;
        }
        return TRUE;
      });
  handler->Attach(provider);
  provider->AddPolicy(Account(L"alice"), false);
  ASSERT_TRUE(writing.Wait());

  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(handler->Shutdown()) << "the update thread cannot have ended";
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, CVSCProtocolHandler::kUpdateThreadStopMilliseconds + 800u);
  EXPECT_FALSE(writeDone.load()) << "the shut-down waited for the store write";
  EXPECT_FALSE(handler->IsCardInserted());

  // The owner lets go; the update thread keeps the handler until its write is over, then leaves
  // without putting the card back in, and the handler goes with it.
  handler.reset();
  for (int i = 0; i < 1000 && !watch.expired(); ++i) Sleep(10);
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(writeDone.load());
  // No longer an observer: a later change reaches nothing.
  provider->AddPolicy(Account(L"bob"), false);
}

// Holds the first PolicyAdded open until the test lets it go; notes when it has left.
class CHeldNotificationHandler : public CTestHandler {
 public:
  void PolicyAdded(const CPolicyPtr& policy) override {
    if (held.exchange(false)) {
      inside.Set();
      release.Wait();
      Sleep(50);  // still in the handler after the release
    }
    CTestHandler::PolicyAdded(policy);
    left = true;
  }

  std::atomic<bool> held{true};
  std::atomic<bool> left{false};
  CSignal inside;
  CSignal release;
};

TEST_F(ShutdownTest, ANotificationInFlightIsWaitedOutBeforeTheHandlerGoes) {
  auto handler = std::make_shared<CHeldNotificationHandler>();
  handler->Attach(provider);
  std::thread change([&] { provider->AddPolicy(Account(L"alice"), false); });
  ASSERT_TRUE(handler->inside.Wait());

  // Removal happens outside the main lock: under the test build's lock-order check a removal under
  // it would abort the program.
  std::atomic<bool> shutDown{false};
  std::atomic<bool> leftBeforeShutdownReturned{false};
  std::thread stopper([&] {
    handler->Shutdown();
    leftBeforeShutdownReturned = handler->left.load();
    shutDown = true;
  });
  Sleep(200);
  EXPECT_FALSE(shutDown.load()) << "the shut-down did not wait for the notification";
  handler->release.Set();
  stopper.join();
  EXPECT_TRUE(leftBeforeShutdownReturned.load());
  handler.reset();  // destroyed here: the notification has left it
  change.join();
  std::list<CPolicyPtr> stored;
  provider->GetPolicies(stored);
  EXPECT_EQ(1u, stored.size());
}

TEST_F(ShutdownTest, NoRunOrWorkerStartsOnceStopping) {
  auto handler = std::make_shared<CTestHandler>();
  handler->Attach(provider);
  EXPECT_TRUE(handler->Shutdown());
  EXPECT_TRUE(handler->Shutdown()) << "a second call repeats the first one's answer";
  provider->AddPolicy(Account(L"alice"), false);
  handler->RunUpdateThread();
  EXPECT_TRUE(handler->WaitForUpdateThread(0));
  EXPECT_TRUE(handler->GetActiveContexts().empty());
  VirtualSmartCardProtocol::CSignDataRequest request;
  VirtualSmartCardProtocol::CSignDataResponse response;
  EXPECT_TRUE(handler->handle(request, response));
  EXPECT_EQ(kWorkerFailedStatus, response.GetStatus());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handler->StopEvent(), 0));
  EXPECT_TRUE(handler->RemoteCalls()->IsAborted());
}

}  // namespace
}  // namespace luma::service::testing
