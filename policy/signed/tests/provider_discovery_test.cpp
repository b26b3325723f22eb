#include "policy/signed/provider_discovery.h"

#include <gtest/gtest.h>

#include <string>

#include "policy/core/policy_exception.h"
#include "policy/signed/tests/trust_fixtures.h"
#include "policy/testing/fake_config_environment.h"
#include "policy/testing/policy_test_fixtures.h"
#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CFakeConfigEnvironment;
using luma::testing::CTestKey;
using luma::testing::TestKeyPath;

// The three definition locations and the user's switches under one test key.
class ProviderDiscoveryTest : public ::testing::Test {
 protected:
  ProviderDiscoveryTest()
      : root(HKEY_CURRENT_USER, TestKeyPath(L"Software\\LumaPassTests")),
        machine(HKEY_CURRENT_USER, root.Path() + L"\\Machine"),
        machinePolicy(HKEY_CURRENT_USER, root.Path() + L"\\MachinePolicy"),
        userPolicy(HKEY_CURRENT_USER, root.Path() + L"\\UserPolicy"),
        userSwitches(HKEY_CURRENT_USER, root.Path() + L"\\UserSwitches") {
    environment.groups = {{L"Staff", false}, {L"Signers", true}};
    source.locations = {{machine.Root(), machine.Path()},
                        {machinePolicy.Root(), machinePolicy.Path()},
                        {userPolicy.Root(), userPolicy.Path()}};
    source.userSwitchRoot = userSwitches.Root();
    source.userSwitchPath = userSwitches.Path();
    source.environment = &environment;
  }

  // A complete definition with a Kerberos login.
  static void Define(const CTestKey& location, const std::wstring& name, const std::wstring& displayName) {
    location.SetText(name, L"AuthenticationType", L"KERBEROS");
    location.SetText(name + L"\\en", L"Name", displayName);
    location.SetText(name + L"\\en", L"Description", L"Signing service");
    location.SetText(name, L"PolicyStore", L"C:\\Store");
    location.SetText(name, L"ServiceURL", L"https://sign.example/soap");
  }

  // "NAME=Display" of every provider found, in map order.
  std::wstring Discover() const {
    CProviderConfigMap providers;
    luma::policy::LoadProviderConfigs(providers, source);
    std::wstring found;
    for (const auto& provider : providers) {
      EXPECT_EQ(provider.first, provider.second.name);
      found += (found.empty() ? L"" : L" ") + provider.first + L"=" + provider.second.Name;
    }
    return found;
  }

  CTestKey root, machine, machinePolicy, userPolicy, userSwitches;
  CFakeConfigEnvironment environment;
  CProviderDiscoverySource source;
};

TEST_F(ProviderDiscoveryTest, LaterLocationsReplaceOrRemoveAndTheUsersSwitchDecidesLast) {
  Define(machine, L"Acme", L"Acme one");
  Define(machine, L"Beta", L"Beta one");
  Define(machine, L"Gamma", L"Gamma one");
  Define(machinePolicy, L"beta", L"Beta two");  // another case: the same provider, replaced
  Define(userPolicy, L"Acme", L"Acme three");
  userPolicy.SetNumber(L"Acme", L"Disabled", 1);  // invalid later: removes
  Define(userPolicy, L"Gamma", L"Gamma three");
  userPolicy.SetText(L"Gamma\\en", L"Description", L"");  // invalid later: removes
  Define(machine, L"Delta", L"Delta one");
  machine.SetText(L"Delta", L"EnableOnlyForMembersOf", L"Staff");
  Define(machine, L"Epsilon", L"Epsilon one");
  machine.SetText(L"Epsilon", L"EnableOnlyForMembersOf", L"Staff;Signers");
  EXPECT_EQ(Discover(), L"BETA=Beta two EPSILON=Epsilon one");

  // The user's own switch enables a provider that its definition disables.
  userSwitches.SetNumber(L"Acme", L"Disabled", 0);
  EXPECT_EQ(Discover(), L"ACME=Acme three BETA=Beta two EPSILON=Epsilon one");

  // And disables one, whatever case its definitions use; a value of another type is no switch.
  userSwitches.SetNumber(L"BETA", L"Disabled", 7);
  userSwitches.SetText(L"Epsilon", L"Disabled", L"1");
  EXPECT_EQ(Discover(), L"ACME=Acme three EPSILON=Epsilon one");
}

TEST_F(ProviderDiscoveryTest, IncompleteDefinitionsAreNotOfferedAndMissingLocationsAreSkipped) {
  const struct {
    const wchar_t* value;
    const wchar_t* subKey;
  } missing[] = {{L"AuthenticationType", L""},
                 {L"Name", L"\\en"},
                 {L"Description", L"\\en"},
                 {L"PolicyStore", L""},
                 {L"ServiceURL", L""}};
  for (const auto& m : missing) {
    const std::wstring name = std::wstring(L"No") + m.value;
    Define(machine, name, L"incomplete");
    machine.SetText(name + m.subKey, m.value, L"");
  }
  Define(machine, L"Complete", L"complete");
  source.locations.insert(source.locations.begin(), {HKEY_CURRENT_USER, root.Path() + L"\\NoSuchKey"});
  EXPECT_EQ(Discover(), L"COMPLETE=complete");
}

TEST_F(ProviderDiscoveryTest, UserSwitchIsReadOnlyAsAFourByteDword) {
  bool disabled = true;
  EXPECT_FALSE(luma::policy::IsProviderDisabledForUser(L"Acme", disabled, source));
  EXPECT_TRUE(disabled);  // unchanged

  userSwitches.SetNumber(L"Acme", L"Disabled", 0);
  EXPECT_TRUE(luma::policy::IsProviderDisabledForUser(L"acme", disabled, source));
  EXPECT_FALSE(disabled);

  userSwitches.SetNumber(L"Acme", L"Disabled", 2);
  EXPECT_TRUE(luma::policy::IsProviderDisabledForUser(L"Acme", disabled, source));
  EXPECT_TRUE(disabled);

  disabled = false;
  const unsigned long long wide = 1;
  userSwitches.SetRaw(L"Acme", L"Disabled", REG_QWORD, &wide, sizeof(wide));
  EXPECT_FALSE(luma::policy::IsProviderDisabledForUser(L"Acme", disabled, source));
  userSwitches.SetText(L"Acme", L"Disabled", L"1");
  EXPECT_FALSE(luma::policy::IsProviderDisabledForUser(L"Acme", disabled, source));
  EXPECT_FALSE(disabled);
}

TEST_F(ProviderDiscoveryTest, EveryProviderGetsAContextOfItsOwn) {
  Define(machine, L"Acme", L"Acme one");
  Define(machine, L"Zed", L"Zed one");
  CProviderConfigMap providers;
  luma::policy::LoadProviderConfigs(providers, source);

  const CProviderContextMap contexts = luma::policy::CreateProviderContexts(providers, {});
  ASSERT_EQ(contexts.size(), 2u);
  EXPECT_EQ(contexts.at(L"ACME")->config.Name, L"Acme one");
  EXPECT_EQ(contexts.at(L"ZED")->config.Name, L"Zed one");
}

// The binding DLL names the policy signers' CA for the prefix ACME: a provider whose name starts so
// verifies the signed policies of that CA, any other provider does not.
TEST(ProviderBindingTest, ProvidersTrustTheSignersOfTheTrustDllsThatApplyToThem) {
  const CSecureBuffer operatorSigner = luma::testing::TrustCertificate("trusted_signer");
  const std::wstring folder = luma::testing::TrustPath("Binding");
  CProviderConfigMap providers;
  for (const wchar_t* name : {L"ACME-TEST", L"ZED"})
    providers[name] = policy_test::MakeConfig(L"C:\\Store", name);
  const CSecureBuffer alice = policy_test::SignedPolicy(L"alice");
  ASSERT_FALSE(alice.empty());

  CProviderContextMap contexts = luma::policy::CreateProviderContexts(
      providers, luma::policy::LoadPolicySignerTrusts(folder, luma::testing::TrustOnly(operatorSigner)));
  CPolicyPtr policy;
  EXPECT_NO_THROW(contexts.at(L"ACME-TEST")->CreatePolicy(policy, alice));
  EXPECT_THROW(contexts.at(L"ZED")->CreatePolicy(policy, alice), CPolicyException);

  // Signed by an operator that is not trusted, the same DLL gives nothing.
  contexts = luma::policy::CreateProviderContexts(
      providers, luma::policy::LoadPolicySignerTrusts(
                     folder, luma::testing::TrustOnly(luma::testing::TrustCertificate("other_signer"))));
  EXPECT_THROW(contexts.at(L"ACME-TEST")->CreatePolicy(policy, alice), CPolicyException);
}

}  // namespace
