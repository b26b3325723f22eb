#include "policy/core/setting_list.h"

#include <gtest/gtest.h>

namespace {

using List = std::vector<WString>;

TEST(SettingListTest, SplitsEntriesAtCommaAndSemicolonWithoutBlanks) {
  struct Case {
    List entries;
    List items;
  } const cases[] = {
      {{WSTR("ab cd ef,0123;4567")}, {WSTR("abcdef"), WSTR("0123"), WSTR("4567")}},
      {{WSTR("Domain Users"), WSTR("Power Users;Guests")},
       {WSTR("DomainUsers"), WSTR("PowerUsers"), WSTR("Guests")}},
      {{WSTR(",;, ;"), WSTR(" ")}, {}},
      {{WSTR(";a;;b,")}, {WSTR("a"), WSTR("b")}},
      {{WSTR("tab\tkept")}, {WSTR("tab\tkept")}},  // only the space character is removed
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(luma::policy::SplitSettingList(c.entries), c.items);
}

}  // namespace
