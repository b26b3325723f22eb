#include <gtest/gtest.h>

#include <string>

#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"

namespace {

// Restores the process-wide language after each test.
class UILanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { luma::SetUILanguageOverride(0); }
};

TEST_F(UILanguageTest, OverrideChoosesTheLanguageName) {
  luma::SetUILanguageOverride(7);
  EXPECT_EQ(L"de", luma::GetUILanguageName(L"en"));
  luma::SetUILanguageOverride(1033);
  EXPECT_EQ(L"en", luma::GetUILanguageName(L"xx"));
  EXPECT_EQ(1033, luma::GetEffectiveUILanguage());
}

TEST_F(UILanguageTest, WithoutOverrideTheUserLanguageDecides) {
  EXPECT_EQ(0, luma::GetUILanguageOverride());
  EXPECT_EQ(GetUserDefaultUILanguage(), luma::GetEffectiveUILanguage());
  EXPECT_GE(luma::GetUILanguageName(L"en").size(), 2u);
}

TEST_F(UILanguageTest, UnknownLanguageGivesTheDefaultName) {
  luma::SetUILanguageOverride(0x7F7F);  // no such language
  EXPECT_EQ(L"en", luma::GetUILanguageName(L"en"));
}

std::wstring Format(LANGID language, UINT id, ...) {
  va_list args;
  va_start(args, id);
  std::wstring text = luma::FormatStringResourceV(GetModuleHandleW(nullptr), language, id, args);
  va_end(args);
  return text;
}

TEST(ResourceStringTest, LanguageEnglishFallbackAndUndefined) {
  HMODULE self = GetModuleHandleW(nullptr);
  EXPECT_EQ(L"Hallo %s, Sie haben %d neue Zertifikate", luma::LoadStringResource(self, 7, 10001));
  EXPECT_EQ(L"", luma::LoadStringResource(self, 7, 10002));
  EXPECT_EQ(L"Only in English", luma::LookupStringResource(self, 7, 10002));
  // A table of the primary language serves every country of it.
  EXPECT_EQ(L"Hallo %s, Sie haben %d neue Zertifikate",
            luma::LookupStringResource(self, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), 10001));
  EXPECT_EQ(L"Hello %s, you have %d new certificates", luma::LookupStringResource(self, 1033, 10001));
  EXPECT_EQ(L"<undefined>", luma::LookupStringResource(self, 7, 10005));  // block present, string missing
  EXPECT_EQ(L"<undefined>", luma::LookupStringResource(self, 7, 10050));  // no such block
  EXPECT_EQ(L"<undefined>", luma::LookupStringResource(self, 1033, 0));
}

TEST(ResourceStringTest, FormatsWithWideStringArguments) {
  EXPECT_EQ(L"Hallo Anna, Sie haben 3 neue Zertifikate", Format(7, 10001, L"Anna", 3));
  EXPECT_EQ(L"Hello Anna, you have 3 new certificates", Format(1033, 10001, L"Anna", 3));
  EXPECT_EQ(L"<undefined>", Format(7, 10050, L"ignored"));
}

TEST(ResourceStringTest, CutsLongResultsAt2047Characters) {
  const std::wstring exact(2046, L'a');
  EXPECT_EQ(exact, Format(1033, 10003, exact.c_str()));
  const std::wstring full(2047, L'b');
  EXPECT_EQ(full, Format(1033, 10003, full.c_str()));
  const std::wstring longer(3000, L'c');
  EXPECT_EQ(longer.substr(0, 2047), Format(1033, 10003, longer.c_str()));
}

TEST_F(UILanguageTest, FormatResourceStringUsesTheOverrideTakenOnFirstUse) {
  luma::SetUILanguageOverride(7);
  EXPECT_EQ(L"Hallo Bob, Sie haben 1 neue Zertifikate", luma::FormatResourceString(10001, L"Bob", 1));
  luma::SetUILanguageOverride(1033);  // the language was cached by the first call
  EXPECT_EQ(L"Only in English", luma::FormatResourceString(10002));
  EXPECT_EQ(L"Hallo Eve, Sie haben 2 neue Zertifikate", luma::FormatResourceString(10001, L"Eve", 2));
}

}  // namespace
