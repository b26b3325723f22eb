#include "policy/account/provider_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "foundation/win/tests/test_temp_dir.h"
#include "policy/account/tests/manual_clock.h"
#include "policy/core/policy_exception.h"
#include "policy/testing/policy_test_fixtures.h"
#include "policy/testing/user_registry_override.h"

namespace {

using namespace policy_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

CSecureBuffer Text(const char* text) { return CSecureBuffer(static_cast<DWORD>(strlen(text)), text); }

class ProviderContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context = std::make_shared<CProviderContext>(config, clock.Get());
    context->AddPolicySignerTrusts(TrustedSigners());
    context->AddObserver(&observer);
  }
  CPolicyPtr Policy(const wchar_t* name) { return Decode(config, name); }
  std::wstring PathOf(const CPolicy& policy) {
    std::wstring path;
    luma::policy::GetPolicyFileName(policy, path, config);
    return path;
  }
  std::list<CPolicyPtr> Stored() {
    std::list<CPolicyPtr> stored;
    context->GetPolicies(stored);
    return stored;
  }

  CUserRegistryOverride userRegistry;  // the disabled certificates of this test alone
  CTestTempDir dir;
  CProviderConfig config = MakeConfig(dir.path());
  ManualClock clock;
  CRecordingObserver observer;
  CProviderContextPtr context;
};

TEST_F(ProviderContextTest, AddingANewAccountStoresNotifiesAndWritesItsFile) {
  CPolicyPtr alice;
  ASSERT_TRUE(context->AddEncodedPolicy(alice, SignedPolicy(L"alice")));
  EXPECT_THAT(observer.Take(), ElementsAre(L"added alice"));
  EXPECT_TRUE(alice->persistent);
  EXPECT_EQ(FileBytes(PathOf(*alice)), alice->raw);

  CPolicyPtr found;
  ASSERT_TRUE(context->FindPolicy(L"ACME/ALICE", found)) << "account keys compare without regard to case";
  EXPECT_EQ(found, alice);
  EXPECT_FALSE(context->FindPolicy(L"acme/bob", found));

  ASSERT_TRUE(context->AddPolicy(Policy(L"bob"), false));
  EXPECT_FALSE(FileExists(PathOf(*Policy(L"bob"))));
  std::list<CPolicyPtr> stored{Policy(L"elsewhere")};
  context->GetPolicies(stored);  // appends
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored.back()->userId, L"bob");
}

TEST_F(ProviderContextTest, AnEqualPolicyIsKeptAndOnlyTakesOverTheNewIssueDate) {
  const CPolicyPtr alice = Policy(L"alice");
  ASSERT_TRUE(context->AddPolicy(alice, true));
  observer.Take();
  EXPECT_FALSE(context->AddPolicy(Policy(L"alice"), true));
  const CPolicyPtr later = Policy(L"alice_later");
  EXPECT_FALSE(context->AddPolicy(later, true));
  EXPECT_THAT(observer.Take(), IsEmpty());
  ASSERT_EQ(Stored().size(), 1u);
  EXPECT_EQ(Stored().front(), alice);
  EXPECT_EQ(CompareFileTime(&alice->thisUpdate, &later->thisUpdate), 0);
  EXPECT_NE(alice->raw, later->raw) << "the stored bytes stay";
  EXPECT_EQ(FileBytes(PathOf(*alice)), later->raw) << "the file holds the newer policy";
}

TEST_F(ProviderContextTest, AnEqualPolicyWithoutPersistenceDropsTheFile) {
  ASSERT_TRUE(context->AddPolicy(Policy(L"alice"), true));
  EXPECT_FALSE(context->AddPolicy(Policy(L"alice"), false));
  EXPECT_FALSE(Stored().front()->persistent);
  EXPECT_FALSE(FileExists(PathOf(*Policy(L"alice"))));
  EXPECT_FALSE(context->AddPolicy(Policy(L"alice_later"), false));
  EXPECT_FALSE(FileExists(PathOf(*Policy(L"alice")))) << "a non-persistent refresh writes no file";
  EXPECT_FALSE(context->AddPolicy(Policy(L"alice_later"), true));
  EXPECT_TRUE(FileExists(PathOf(*Policy(L"alice"))));
}

TEST_F(ProviderContextTest, ChangedContentReplacesTheAccount) {
  ASSERT_TRUE(context->AddPolicy(Policy(L"alice"), true));
  ASSERT_TRUE(context->tokenCache.StoreToken(*Policy(L"alice"), Text("session")));
  observer.Take();
  const CPolicyPtr changed = Policy(L"alice_changed");
  ASSERT_TRUE(context->AddPolicy(changed, true));
  EXPECT_THAT(observer.Take(), ElementsAre(L"removed alice", L"added alice"));
  EXPECT_EQ(observer.policies.back(), changed);
  ASSERT_EQ(Stored().size(), 1u);
  EXPECT_EQ(Stored().front(), changed);
  EXPECT_FALSE(context->tokenCache.HasToken(*changed)) << "the replaced account was logged out";
  EXPECT_EQ(FileBytes(PathOf(*changed)), changed->raw);
}

TEST_F(ProviderContextTest, RemovalMatchesTheUserIdExactlyButAlwaysLogsOut) {
  ASSERT_TRUE(context->AddPolicy(Policy(L"alice"), true));
  observer.Take();
  CPolicy otherCase = *Policy(L"alice");
  otherCase.userId = L"ALICE";
  ASSERT_TRUE(context->tokenCache.StoreToken(otherCase, Text("session")));
  context->RemovePolicy(otherCase);
  EXPECT_FALSE(context->tokenCache.HasToken(otherCase));
  EXPECT_EQ(Stored().size(), 1u);
  EXPECT_THAT(observer.Take(), IsEmpty());

  context->RemovePolicy(*Policy(L"alice"));
  EXPECT_THAT(observer.Take(), ElementsAre(L"removed alice"));
  EXPECT_TRUE(Stored().empty());
  EXPECT_FALSE(FileExists(PathOf(*Policy(L"alice"))));
}

TEST_F(ProviderContextTest, LogoutClearsTokensAndPinsButKeepsFingerprintsAndBlocks) {
  const CPolicyPtr alice = Policy(L"alice");
  ASSERT_TRUE(context->AddPolicy(alice, false));
  const CCertificatePolicy& sign = *alice->certificatePolicies[0];
  ASSERT_TRUE(context->pinCache.StorePin(sign, Text("1234")));
  EXPECT_FALSE(context->pinCache.StorePin(sign, CSecureBuffer())) << "this certificate needs a PIN";
  ASSERT_TRUE(context->tokenCache.StoreToken(*alice, Text("session")));
  context->tokenCache.StoreCertFingerprint(*alice, L"ab12");
  context->pinCache.MarkBlocked(sign);
  EXPECT_TRUE(context->pinCache.IsPinCached(sign));

  context->LogoutAll();
  EXPECT_FALSE(context->pinCache.IsPinCached(sign));
  EXPECT_FALSE(context->tokenCache.HasToken(*alice));
  std::wstring fingerprint;
  EXPECT_TRUE(context->tokenCache.GetCertFingerprint(*alice, fingerprint));
  EXPECT_TRUE(context->pinCache.IsMarkedBlocked(sign.alias));
}

TEST_F(ProviderContextTest, DisablingACertificateNotifiesOnceAndReachesEveryAccountWithIt) {
  const CPolicyPtr alice = Policy(L"alice");
  ASSERT_TRUE(context->AddPolicy(alice, false));
  observer.Take();
  const CCertificatePolicy sign = *alice->certificatePolicies[0];
  context->SetCertificateEnabled(sign, false);
  EXPECT_THAT(observer.Take(), ElementsAre(L"updated alice"));
  EXPECT_FALSE(alice->certificatePolicies[0]->enabled);
  EXPECT_TRUE(alice->certificatePolicies[1]->enabled);
  EXPECT_TRUE(luma::policy::IsCertificateDisabled(sign));
  context->SetCertificateEnabled(sign, false);
  EXPECT_THAT(observer.Take(), IsEmpty()) << "no change, no notification";

  // bob's certificate has the same DER bytes: it arrives disabled.
  const CPolicyPtr bob = Policy(L"bob");
  ASSERT_TRUE(context->AddPolicy(bob, false));
  EXPECT_FALSE(bob->certificatePolicies[0]->enabled);

  context->SetCertificateEnabled(sign, true);
  EXPECT_THAT(observer.Take(), ElementsAre(L"added bob", L"updated alice"));
  EXPECT_FALSE(luma::policy::IsCertificateDisabled(sign));
}

TEST_F(ProviderContextTest, LoadingTakesTheFilesForThisComputerOnly) {
  for (const wchar_t* name : {L"alice", L"bob", L"elsewhere"})
    luma::policy::SavePolicyFile(config, *Policy(name));
  ASSERT_EQ(luma::WriteFileData(dir / L"acme-00000000.policy", Text("not a policy")), 0u);
  luma::policy::SetCertificateDisabled(*Policy(L"alice")->certificatePolicies[1], true);

  EXPECT_EQ(context->LoadPolicies(), 2);
  std::vector<std::wstring> events = observer.Take();
  std::sort(events.begin(), events.end());
  EXPECT_THAT(events, ElementsAre(L"added alice", L"added bob"));
  for (const CPolicyPtr& policy : Stored()) {
    EXPECT_TRUE(policy->persistent);
    if (policy->userId == L"alice") {
      EXPECT_FALSE(policy->certificatePolicies[1]->enabled);
    }
  }
  EXPECT_TRUE(FileExists(PathOf(*Policy(L"elsewhere")))) << "a policy for another place keeps its file";
  EXPECT_TRUE(FileExists(dir / L"acme-00000000.policy"));
}

TEST_F(ProviderContextTest, ObserversAreCalledOncePerRegistrationAndNeverUnderTheListLock) {
  // An observer that reads the context from inside the notification: it would block forever on
  // another thread if the list lock were held, so it asks from a second thread.
  struct ReadingObserver : CRecordingObserver {
    CProviderContext* context = nullptr;
    std::atomic<int> seen{0};
    void PolicyAdded(const CPolicyPtr& policy) override {
      std::thread reader([this] {
        std::list<CPolicyPtr> stored;
        context->GetPolicies(stored);
        seen = static_cast<int>(stored.size());
      });
      reader.join();
      CRecordingObserver::PolicyAdded(policy);
    }
  } reading;
  reading.context = context.get();
  context->AddObserver(&reading);
  context->AddObserver(&reading);
  context->AddObserver(nullptr);
  context->RemoveObserver(&observer);
  ASSERT_TRUE(context->AddPolicy(Policy(L"alice"), false));
  EXPECT_EQ(reading.seen, 1);
  EXPECT_EQ(reading.Take().size(), 2u);
  EXPECT_THAT(observer.Take(), IsEmpty());
}

TEST_F(ProviderContextTest, ConcurrentAddsOfOneAccountStoreItOnce) {
  std::vector<CPolicyPtr> copies;
  for (int i = 0; i < 8; ++i) copies.push_back(Policy(i % 2 ? L"alice" : L"alice_later"));
  std::atomic<int> added{0};
  std::vector<std::thread> threads;
  for (const CPolicyPtr& copy : copies) {
    threads.emplace_back([this, copy, &added] {
      if (context->AddPolicy(copy, true)) ++added;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(added, 1);
  EXPECT_EQ(Stored().size(), 1u);
  EXPECT_THAT(observer.Take(), ElementsAre(L"added alice"));
}

TEST_F(ProviderContextTest, CreatingAPolicyPassesVerificationErrorsOn) {
  CPolicyPtr policy;
  EXPECT_THROW(context->AddEncodedPolicy(policy, ReadFixture(L"untrusted.p7")), CPolicyException);
  EXPECT_TRUE(Stored().empty());
  EXPECT_THAT(observer.Take(), IsEmpty());
}

// --- Automatic provisioning and refresh ---------------------------------------------------------

class AutoUpdateTest : public ::testing::Test {
 protected:
  std::shared_ptr<CProviderContext> Make(bool interactive, bool provision, bool refresh, DWORD interval,
                                         DWORD maxErrors) {
    CProviderConfig config = MakeConfig(dir.path());
    auto auth = std::make_shared<CAuthConfig>(1, interactive);
    auth->AutoProvision = provision;
    auth->AutoRefresh = refresh;
    auth->AutoRefreshInterval = interval;
    auth->AutoMaxConsecutiveErrors = maxErrors;
    config.authConfig = auth;
    auto context = std::make_shared<CProviderContext>(config, clock.Get());
    context->AddPolicySignerTrusts(TrustedSigners());
    return context;
  }
  CUserRegistryOverride userRegistry;
  CTestTempDir dir;
  ManualClock clock;
};

TEST_F(AutoUpdateTest, ANewContextIsDueAtOnceAndThenAfterItsInterval) {
  auto context = Make(false, true, true, 3600, 0);
  EXPECT_TRUE(context->IsAutoProvisionDue());
  EXPECT_TRUE(context->IsAutoRefreshDue());
  EXPECT_FALSE(context->IsAutoRefreshEnabled()) << "no account yet";
  context->RecordAutoUpdateSuccess();
  clock.Advance(3599);
  EXPECT_FALSE(context->IsAutoProvisionDue());
  EXPECT_FALSE(context->IsAutoRefreshDue());
  clock.Advance(2);
  EXPECT_TRUE(context->IsAutoProvisionDue());
  EXPECT_TRUE(context->IsAutoRefreshDue());

  ASSERT_TRUE(context->AddPolicy(Decode(MakeConfig(dir.path()), L"alice"), false));
  EXPECT_FALSE(context->IsAutoProvisionDue()) << "provisioning is for a provider without accounts";
  EXPECT_TRUE(context->IsAutoRefreshDue());
  EXPECT_TRUE(context->IsAutoRefreshEnabled());
}

TEST_F(AutoUpdateTest, WithoutARefreshIntervalProvisioningUsesFourHours) {
  auto context = Make(false, true, true, 0, 0);
  context->RecordAutoUpdateSuccess();
  clock.Advance(14399);
  EXPECT_FALSE(context->IsAutoProvisionDue());
  clock.Advance(2);
  EXPECT_TRUE(context->IsAutoProvisionDue());
  EXPECT_FALSE(context->IsAutoRefreshDue());
  clock.Advance(1000000);
  EXPECT_FALSE(context->IsAutoRefreshDue());
}

TEST_F(AutoUpdateTest, SwitchesAndInteractiveMethodsStopTheUpdates) {
  struct Case {
    bool interactive, provision, refresh;
    bool provisionDue, refreshDue;
  } cases[] = {
      {true, true, true, false, true},  // refresh due ignores interactive; provisioning does not
      {false, false, true, false, true},
      {false, true, false, true, false},
  };
  for (const Case& c : cases) {
    auto context = Make(c.interactive, c.provision, c.refresh, 60, 0);
    EXPECT_EQ(context->IsAutoProvisionDue(), c.provisionDue) << c.interactive << c.provision << c.refresh;
    EXPECT_EQ(context->IsAutoRefreshDue(), c.refreshDue) << c.interactive << c.provision << c.refresh;
  }
  auto interactive = Make(true, true, true, 60, 0);
  ASSERT_TRUE(interactive->AddPolicy(Decode(MakeConfig(dir.path()), L"alice"), false));
  EXPECT_FALSE(interactive->IsAutoRefreshEnabled());
}

TEST_F(AutoUpdateTest, ConsecutiveErrorsSuspendUntilASuccess) {
  auto context = Make(false, true, true, 60, 3);
  context->autoUpdateAttempts = 3;
  EXPECT_FALSE(context->IsAutoUpdateSuspended());
  EXPECT_TRUE(context->IsAutoRefreshDue());
  context->autoUpdateAttempts = 4;
  EXPECT_TRUE(context->IsAutoUpdateSuspended());
  EXPECT_FALSE(context->IsAutoProvisionDue());
  EXPECT_FALSE(context->IsAutoRefreshDue());
  context->RecordAutoUpdateSuccess();
  EXPECT_EQ(context->autoUpdateAttempts, 0u);
  clock.Advance(61);
  EXPECT_TRUE(context->IsAutoRefreshDue());

  auto unlimited = Make(false, true, true, 60, 0);
  unlimited->autoUpdateAttempts = 0xFFFFFFFF;
  EXPECT_FALSE(unlimited->IsAutoUpdateSuspended());
}

TEST(ProviderContextPlaceholder, IsEmptyAndNeverDue) {
  CProviderContext placeholder;
  std::list<CPolicyPtr> stored;
  placeholder.GetPolicies(stored);
  EXPECT_TRUE(stored.empty());
  EXPECT_FALSE(placeholder.IsAutoProvisionDue());
  EXPECT_FALSE(placeholder.IsAutoRefreshDue());
}

}  // namespace
