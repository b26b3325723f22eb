#include <gtest/gtest.h>

#include "foundation/win/system_utils.h"

namespace {

// Restores the process-wide language after each test.
class UILanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetUILanguageOverride(0); }
};

TEST_F(UILanguageTest, OverrideChoosesTheLanguageName) {
  SetUILanguageOverride(7);
  EXPECT_EQ(L"de", GetUILanguageName(L"en"));
  SetUILanguageOverride(1033);
  EXPECT_EQ(L"en", GetUILanguageName(L"xx"));
  EXPECT_EQ(1033, GetEffectiveUILanguage());
}

TEST_F(UILanguageTest, WithoutOverrideTheUserLanguageDecides) {
  EXPECT_EQ(0, GetUILanguageOverride());
  EXPECT_EQ(GetUserDefaultUILanguage(), GetEffectiveUILanguage());
  EXPECT_GE(GetUILanguageName(L"en").size(), 2u);
}

TEST_F(UILanguageTest, UnknownLanguageGivesTheDefaultName) {
  SetUILanguageOverride(0x7F7F);  // no such language
  EXPECT_EQ(L"en", GetUILanguageName(L"en"));
}

}  // namespace
