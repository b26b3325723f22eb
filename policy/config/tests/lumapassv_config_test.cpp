#include "policy/config/lumapassv_config.h"

#include <gtest/gtest.h>

#include <memory>

#include "policy/testing/test_registry.h"

namespace {

using luma::testing::CTestKey;
using luma::testing::TestKeyPath;
using List = std::vector<std::wstring>;

constexpr LANGID kFrenchFrance = 0x040C;
constexpr LANGID kGermanGermany = 0x0407;

// Four locations shaped like the application-setting ones (the user's and the machine's policy and
// plain keys), under names of the tests' own, strongest first.
class LumaPassVConfigTest : public ::testing::Test {
 protected:
  LumaPassVConfigTest() {
    const std::pair<HKEY, const wchar_t*> places[] = {
        {HKEY_CURRENT_USER, L"Software\\Policies\\lumaPassTests"},
        {HKEY_CURRENT_USER, L"Software\\lumaPassTests"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\lumaPassTests"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\lumaPassTests"},
    };
    for (const auto& place : places) {
      keys.push_back(std::make_unique<CTestKey>(place.first, TestKeyPath(place.second)));
      locations.AddLocation(place.first, keys.back()->Path());
    }
  }
  const CTestKey& UserPolicy() const { return *keys[0]; }
  const CTestKey& User() const { return *keys[1]; }
  const CTestKey& MachinePolicy() const { return *keys[2]; }
  const CTestKey& Machine() const { return *keys[3]; }
  CLumaPassVConfig Read(LANGID userLanguage = kFrenchFrance) const {
    return CLumaPassVConfig(locations, userLanguage);
  }

  std::vector<std::unique_ptr<CTestKey>> keys;
  CRegistryReader locations;
};

void ExpectDefaults(const CLumaPassVConfig& config) {
  EXPECT_TRUE(config.ShowExit);
  EXPECT_FALSE(config.ShowRestart);
  EXPECT_TRUE(config.ShowLogoutAll);
  EXPECT_FALSE(config.LogoutOnLock);
  EXPECT_FALSE(config.PositionRelativeToTrayArea);
  EXPECT_FALSE(config.AllowDisablingCertificates);
  EXPECT_TRUE(config.ShowAccountTab);
  EXPECT_TRUE(config.ShowRestrictionsTab);
  EXPECT_FALSE(config.AllowCryptUIOnlineLookups);
  EXPECT_EQ(config.NotifyRefreshDaysBefore, 0u);
  EXPECT_EQ(config.NotifyPINChangeDaysBefore, 0u);
  EXPECT_EQ(config.NotifyEmptyAccount, 1u);
  EXPECT_FALSE(config.SaveAccountDialogPos);
  EXPECT_EQ(config.AccountDialogWidth, 0u);
  EXPECT_EQ(config.AccountListCertColWidth, 200u);
  EXPECT_EQ(config.AccountListValidityColWidth, 80u);
  EXPECT_EQ(config.AccountListStatusColWidth, 0u);
  EXPECT_TRUE(config.ExcludedProcesses.empty());
  EXPECT_TRUE(config.ExcludedRemoteProcesses.empty());
  EXPECT_EQ(config.ApplicationTitle, L"luma-Pass V");
  EXPECT_EQ(config.SmartCardCommunicationGUID, L"{FA8BC8BE-85D3-47c8-A5F7-4B8DE2C57C28}");
  EXPECT_EQ(config.FriendlyNamePrefix, L"");
}

TEST_F(LumaPassVConfigTest, EmptyRegistryGivesTheDefaults) {
  const CLumaPassVConfig config = Read(kGermanGermany);
  ExpectDefaults(config);
  EXPECT_EQ(config.UILanguage, L"de");  // the user's language
  EXPECT_EQ(config.languageId, 7);
}

TEST(LumaPassVConfigProductTest, ReadsTheFourApplicationSettingLocations) {
  const CLumaPassVConfig config;
  const auto& locations = config.registry.GetLocations();
  ASSERT_EQ(locations.size(), 4u);
  EXPECT_EQ(locations[0].root, HKEY_CURRENT_USER);
  EXPECT_EQ(locations[0].path, L"SOFTWARE\\Policies\\nuvak\\lumaPassV");
  EXPECT_EQ(locations[3].root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(locations[3].path, L"SOFTWARE\\nuvak\\lumaPassV");
  ExpectDefaults(config);  // the test machine holds no settings of the product
  EXPECT_FALSE(config.UILanguage.empty());
}

TEST_F(LumaPassVConfigTest, FirstLocationHoldingTheValueWins) {
  User().SetNumber(L"", L"ShowExit", 0);
  MachinePolicy().SetNumber(L"", L"ShowExit", 1);
  UserPolicy().SetNumber(L"", L"ShowLogoutAll", 0);
  User().SetNumber(L"", L"ShowLogoutAll", 1);
  MachinePolicy().SetNumber(L"", L"ShowLogoutAll", 1);
  User().SetText(L"", L"ShowRestart", L"1");  // a text is no number: the machine's value holds
  Machine().SetNumber(L"", L"ShowRestart", 1);
  UserPolicy().SetText(L"", L"LogoutOnLock", L"1");  // and nothing else holds it: the default
  Machine().SetNumber(L"", L"AccountListCertColWidth", 321);
  MachinePolicy().SetNumber(L"", L"NotifyEmptyAccount", 0);
  User().SetText(L"", L"ApplicationTitle", L"");  // an empty text is a hit
  Machine().SetText(L"", L"ApplicationTitle", L"Machine title");
  MachinePolicy().SetText(L"", L"FriendlyNamePrefix", L"Corp");
  Machine().SetText(L"", L"SmartCardCommunicationGUID", L"{00000000-0000-0000-0000-000000000001}");

  const CLumaPassVConfig config = Read();
  EXPECT_FALSE(config.ShowExit);
  EXPECT_FALSE(config.ShowLogoutAll);
  EXPECT_TRUE(config.ShowRestart);
  EXPECT_FALSE(config.LogoutOnLock);
  EXPECT_EQ(config.AccountListCertColWidth, 321u);
  EXPECT_EQ(config.NotifyEmptyAccount, 0u);
  EXPECT_EQ(config.ApplicationTitle, L"");
  EXPECT_EQ(config.FriendlyNamePrefix, L"Corp");
  EXPECT_EQ(config.SmartCardCommunicationGUID, L"{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(config.ReadString(L"ApplicationTitle", L"x"), L"");
}

TEST_F(LumaPassVConfigTest, ListsComeWholeFromTheFirstLocationHoldingThem) {
  Machine().SetMulti(L"", L"ExcludedProcesses", {L"C:\\machine.exe"});
  User().SetMulti(L"", L"ExcludedProcesses", {L" C:\\a.exe ", L"*\\b.exe", L"", L"C:\\after-end.exe"});
  MachinePolicy().SetText(L"", L"ExcludedRemoteProcesses", L"C:\\text.exe");  // not a list: skipped
  Machine().SetMulti(L"", L"ExcludedRemoteProcesses", {L"C:\\remote.exe"});

  const CLumaPassVConfig config = Read();
  EXPECT_EQ(config.ExcludedProcesses, (List{L"C:\\a.exe", L"*\\b.exe"}));
  EXPECT_EQ(config.ExcludedRemoteProcesses, (List{L"C:\\remote.exe"}));
}

TEST_F(LumaPassVConfigTest, InterfaceLanguage) {
  struct Case {
    const wchar_t* configured;  // null: no value anywhere
    LANGID user;
    const wchar_t* name;
    LANGID id;
  } const cases[] = {
      {L"DE", kFrenchFrance, L"DE", 7},
      {L"en", kGermanGermany, L"en", 1033},
      {L"fr", kGermanGermany, L"fr", kGermanGermany},
      {nullptr, kGermanGermany, L"de", 7},
      {nullptr, kFrenchFrance, L"fr", kFrenchFrance},
  };
  for (const auto& c : cases) {
    if (c.configured != nullptr) {
      Machine().SetText(L"", L"UILanguage", c.configured);
    } else {
      RegDeleteKeyValueW(Machine().get(), nullptr, L"UILanguage");
    }
    const CLumaPassVConfig config = Read(c.user);
    EXPECT_EQ(config.UILanguage, c.name);
    EXPECT_EQ(config.languageId, c.id);
  }
}

}  // namespace
