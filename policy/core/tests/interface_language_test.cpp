#include "policy/core/interface_language.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kFrenchFrance = 0x040C;
constexpr std::uint16_t kGermanGermany = 0x0407;

TEST(InterfaceLanguageTest, ConfiguredNameThenSystemNameThenEnglish) {
  struct Case {
    const WCHAR* configured;
    const WCHAR* systemName;
    std::uint16_t userId;
    const WCHAR* name;
    std::uint16_t id;
  } const cases[] = {
      {WSTR("DE"), WSTR("fr"), kFrenchFrance, WSTR("DE"), luma::policy::kLanguageIdGerman},
      {WSTR("en"), WSTR("de"), kGermanGermany, WSTR("en"), luma::policy::kLanguageIdEnglishUS},
      {WSTR("fr"), WSTR("de"), kGermanGermany, WSTR("fr"), kGermanGermany},  // name kept, user's id kept
      {WSTR(""), WSTR("de"), kGermanGermany, WSTR("de"), luma::policy::kLanguageIdGerman},
      {WSTR(""), WSTR("fr"), kFrenchFrance, WSTR("fr"), kFrenchFrance},
      {WSTR(""), WSTR(""), kFrenchFrance, WSTR("en"), luma::policy::kLanguageIdEnglishUS},  // name unreadable
      {WSTR(""), WSTR("x"), kFrenchFrance, WSTR("en"),
       luma::policy::kLanguageIdEnglishUS},  // too short to be a name
  };
  for (const auto& c : cases) {
    const CInterfaceLanguage language =
        luma::policy::ResolveInterfaceLanguage(c.configured, c.systemName, c.userId);
    EXPECT_EQ(language.name, c.name);
    EXPECT_EQ(language.id, c.id);
  }
}

}  // namespace
