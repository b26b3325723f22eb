// Accounts reach the handler through real provider contexts (so every path runs under the
// lock-order check of the test build); their certificates go to a store of the test's own.
#include <algorithm>
#include <cwctype>
#include <thread>
#include <utility>

#include "service/handler/tests/handler_test_support.h"

namespace luma::service::testing {
namespace {

using Step = CVSCProtocolHandler::UpdateStep;
constexpr DWORD kWait = 20000;

CTestCertificateMaker& Maker() {
  static CTestCertificateMaker maker;
  return maker;
}

// Deletes the test's registry store when the test ends (after the handler has gone).
struct CStoreRemover {
  explicit CStoreRemover(std::wstring name) : name(std::move(name)) {}
  ~CStoreRemover() {
    CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, X509_ASN_ENCODING, 0,
                  CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DELETE_FLAG, name.c_str());
  }
  std::wstring name;
};

class StepRecorder {
 public:
  std::function<void(Step)> Observer() {
    return [this](Step step) {
      CMutexObjLock guard(lock);
      steps.push_back(step);
    };
  }
  std::vector<Step> Take() {
    CMutexObjLock guard(lock);
    std::vector<Step> taken;
    taken.swap(steps);
    return taken;
  }

 private:
  CMutexObj lock;
  std::vector<Step> steps;
};

class ProvisioningTest : public ::testing::Test {
 protected:
  ProvisioningTest() : ProvisioningTest(UniqueName(L"lumaPassHandlerStore")) {}
  explicit ProvisioningTest(const std::wstring& storeName)
      : remover(storeName), provider(MakeProvider(L"ACME", storeName)) {
    handler.SetCertPropertyWriterForTesting(recorder.Writer());
    handler.Attach(provider);
  }

  CPolicyPtr AddAccount(const std::wstring& userId,
                        const std::vector<std::pair<std::wstring, CertificateOptions>>& certificates) {
    CPolicyPtr policy = MakeAccount(L"ACME", userId);
    for (const auto& [name, options] : certificates)
      policy->certificatePolicies.push_back(
          MakeCertificatePolicy(Maker(), policy->accountKey, name, options));
    provider->AddPolicy(policy, false);
    return policy;
  }

  static bool Holds(const std::vector<CCertContext>& contexts, const CCertificatePolicyPtr& certificate) {
    return std::any_of(contexts.begin(), contexts.end(),
                       [&](const CCertContext& c) { return c.certificatePolicy == certificate; });
  }

  CStoreRemover remover;
  std::shared_ptr<CProviderContext> provider;
  CPropertyRecorder recorder;
  CTestHandler handler;
};

TEST_F(ProvisioningTest, PolicyAddedFilters) {
  struct Case {
    const wchar_t* label;
    CertificateOptions options;
    bool pending;
    bool archived;
  };
  const Case cases[] = {
      {L"valid signature", {365, false, true, false}, true, false},
      {L"disabled", {365, false, false, false}, false, false},
      {L"expired signature", {-10, false, true, false}, false, false},
      {L"expired encryption", {-10, true, true, false}, true, true},
      {L"PIN change due", {365, false, true, true}, false, false},
      {L"expired encryption with PIN change due", {-10, true, true, true}, false, false},
  };
  std::vector<CCertificatePolicyPtr> certificates;
  int user = 0;
  for (const Case& c : cases) {
    const CPolicyPtr policy = AddAccount(L"user" + std::to_wstring(user++), {{c.label, c.options}});
    certificates.push_back(policy->certificatePolicies[0]);
  }
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  const std::vector<CCertContext> pending = handler.GetPendingContexts();
  const std::vector<CCertContext> active = handler.GetActiveContexts();
  const std::vector<CPropertyRecorder::Write> writes = recorder.Take();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(::testing::Message() << i);
    EXPECT_EQ(Holds(pending, certificates[i]), cases[i].pending);
    EXPECT_EQ(Holds(active, certificates[i]), cases[i].pending);
    const bool archived = std::any_of(writes.begin(), writes.end(), [&](const CPropertyRecorder::Write& w) {
      return w.id == CERT_ARCHIVED_PROP_ID && w.certificate == certificates[i]->descriptor.GetCertificate() &&
             w.bytes.empty();
    });
    EXPECT_EQ(archived, cases[i].archived);
  }
}

TEST_F(ProvisioningTest, RefusedPolicyLeavesTheEarlierPendingContexts) {
  const CPolicyPtr first = AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));

  CPolicyPtr elsewhere = MakeAccount(L"ACME", L"alice");
  elsewhere->constraints.domain = L"elsewhere.invalid";
  elsewhere->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), elsewhere->accountKey, L"Other"));
  CPolicyPtr outdated = MakeAccount(L"ACME", L"alice");
  outdated->nextUpdate = FileTimeInDays(-1);
  outdated->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), outdated->accountKey, L"Old"));
  CPolicyPtr unknownProvider = MakeAccount(L"OTHER", L"carol");
  unknownProvider->certificatePolicies.push_back(
      MakeCertificatePolicy(Maker(), unknownProvider->accountKey, L"X"));
  for (const CPolicyPtr& refused : {elsewhere, outdated, unknownProvider}) {
    handler.PolicyAdded(refused);
    ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
    const std::vector<CCertContext> pending = handler.GetPendingContexts();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].certificatePolicy, first->certificatePolicies[0]);
  }
}

TEST_F(ProvisioningTest, PendingOrderFollowsAccountsThenFriendlyNames) {
  const CPolicyPtr alice = AddAccount(L"alice", {{L"Sign", {}}, {L"Auth", {}}});
  const CPolicyPtr bob = AddAccount(L"Bob", {{L"Token", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  const std::vector<CCertContext> pending = handler.GetPendingContexts();
  ASSERT_EQ(pending.size(), 3u);
  // User identifiers compare by code unit: upper case first.
  EXPECT_EQ(pending[0].certificatePolicy, bob->certificatePolicies[0]);
  EXPECT_EQ(pending[1].certificatePolicy, alice->certificatePolicies[1]);
  EXPECT_EQ(pending[2].certificatePolicy, alice->certificatePolicies[0]);
  for (const CCertContext& context : pending) EXPECT_EQ(context.marker, 1);
  CCertContext first(nullptr, nullptr, nullptr);
  ASSERT_TRUE(handler.LookupCertContextByIndex(0, first));
  EXPECT_EQ(first.certificatePolicy, bob->certificatePolicies[0]);
  EXPECT_EQ(first.providerContext, provider);
}

TEST_F(ProvisioningTest, LookupsByContainerNameAndAliasAreExact) {
  const CPolicyPtr alice = AddAccount(L"alice", {{L"Sign", {}}, {L"Auth", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  const CCertificatePolicyPtr sign = alice->certificatePolicies[0];
  CCertContext found(nullptr, nullptr, nullptr);
  ASSERT_TRUE(handler.LookupCertContextByContainerName(sign->containerName, found));
  EXPECT_EQ(found.certificatePolicy, sign);
  EXPECT_EQ(found.policy, alice);
  std::wstring lower = sign->containerName;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  std::wstring upper = sign->containerName;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  EXPECT_FALSE(handler.LookupCertContextByContainerName(lower == sign->containerName ? upper : lower, found));
  ASSERT_TRUE(handler.LookupCertContextByAlias(sign->alias, found));
  EXPECT_EQ(found.certificatePolicy, sign);
  EXPECT_FALSE(handler.LookupCertContextByAlias(L"ALIAS-" + sign->alias.substr(6), found));
  EXPECT_FALSE(handler.LookupCertContextByAlias(L"", found));
}

TEST_F(ProvisioningTest, ChangesWithinTheSettleTimeShareOneRun) {
  handler.SetUpdateTimingForTesting(1500, 20);
  AddAccount(L"alice", {{L"Sign", {}}});
  AddAccount(L"bob", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(handler.GetUpdatePassCount(), 1);
  EXPECT_EQ(handler.GetActiveContexts().size(), 2u);
}

TEST_F(ProvisioningTest, ChangesAfterActivationCauseExactlyOneMorePass) {
  handler.SetUpdateTimingForTesting(20, 500);
  handler.GetSignalMutex()->Create();  // a card is in: the run pauses after taking it out
  luma::CKernelHandle paused(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  handler.SetUpdateStepObserverForTesting([&paused](Step step) {
    if (step == Step::kRemovalPause) SetEvent(paused.get());
  });
  AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_EQ(WaitForSingleObject(paused.get(), kWait), WAIT_OBJECT_0);
  AddAccount(L"bob", {{L"Sign", {}}});
  AddAccount(L"carol", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(handler.GetUpdatePassCount(), 2);
  EXPECT_EQ(handler.GetActiveContexts().size(), 3u);
}

// A change that arrives just after the run decided to end starts a run of its own.
TEST_F(ProvisioningTest, ChangeWhileTheRunEndsIsActivated) {
  std::thread late;
  bool started = false;
  CPolicyPtr bob = MakeAccount(L"ACME", L"bob");
  bob->certificatePolicies.push_back(MakeCertificatePolicy(Maker(), bob->accountKey, L"Sign"));
  handler.SetUpdateStepObserverForTesting([&](Step step) {
    // Runs under the main lock in the step that ends the run: the change waits for that lock.
    if (step == Step::kStoreUpdated && !started) {
      started = true;
      late = std::thread([this, bob] { provider->AddPolicy(bob, false); });
    }
  });
  AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  ASSERT_TRUE(started);
  late.join();
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(handler.GetUpdatePassCount(), 2);
  EXPECT_TRUE(Holds(handler.GetActiveContexts(), bob->certificatePolicies[0]));
}

TEST_F(ProvisioningTest, SignalMutexSequence) {
  StepRecorder steps;
  handler.SetUpdateStepObserverForTesting(steps.Observer());

  AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(steps.Take(), (std::vector<Step>{Step::kMutexWasAbsent, Step::kActivated, Step::kStoreUpdated,
                                             Step::kMutexCreated}));
  EXPECT_TRUE(handler.IsCardInserted());

  const CPolicyPtr bob = AddAccount(L"bob", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(steps.Take(), (std::vector<Step>{Step::kMutexDestroyed, Step::kActivated, Step::kRemovalPause,
                                             Step::kStoreUpdated, Step::kMutexCreated}));
  EXPECT_TRUE(handler.IsCardInserted());

  provider->RemovePolicy(*bob);
  CPolicyPtr alice;
  ASSERT_TRUE(provider->FindPolicy(L"acme/alice", alice));
  provider->RemovePolicy(*alice);
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(steps.Take(), (std::vector<Step>{Step::kMutexDestroyed, Step::kActivated, Step::kStoreUpdated,
                                             Step::kNoMutexCreated}));
  EXPECT_FALSE(handler.IsCardInserted());
  EXPECT_TRUE(handler.GetActiveContexts().empty());
}

// Every run closes all sessions: clients must reopen and reread the containers.
TEST_F(ProvisioningTest, RunsCloseTheOpenSessions) {
  VirtualSmartCardProtocol::COpenSessionRequest open;
  open.SetProcessPath(L"C:\\Apps\\a.exe");
  open.SetClientComputerName(L"DESK01");
  VirtualSmartCardProtocol::COpenSessionResponse opened;
  ASSERT_TRUE(handler.handle(open, opened));
  EXPECT_EQ(opened.GetContainerCount(), 0u);
  VirtualSmartCardProtocol::CVerifySessionRequest verify;
  verify.SetSessionId(opened.GetSessionId());
  ASSERT_TRUE(handler.IsValidSession(verify));

  AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_FALSE(handler.IsValidSession(verify));
  ASSERT_TRUE(handler.handle(open, opened));
  EXPECT_EQ(opened.GetContainerCount(), 1u);
}

TEST_F(ProvisioningTest, ReprovisioningWithoutCertificatesStartsNoRun) {
  handler.ReprovisionAllPolicies();
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(handler.GetUpdatePassCount(), 0);
  AddAccount(L"alice", {{L"Sign", {}}});
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  handler.ReprovisionAllPolicies();
  ASSERT_TRUE(handler.WaitForUpdateThread(kWait));
  EXPECT_EQ(handler.GetUpdatePassCount(), 2);
  EXPECT_EQ(handler.GetActiveContexts().size(), 1u);
}

}  // namespace
}  // namespace luma::service::testing
