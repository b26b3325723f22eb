#include "foundation/core/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "foundation/core/string_utils.h"

namespace {

std::array<int, 4> Numbers(const CVersion& v) { return {v.major, v.minor, v.build, v.revision}; }
std::array<int, 4> Parts(const CVersionMatch& m) { return {m.parts[0], m.parts[1], m.parts[2], m.parts[3]}; }

TEST(VersionTest, ParsesDottedVersions) {
  struct Case {
    WString text;
    std::array<int, 4> expected;
  } cases[] = {
      {WSTR("10.0.19041.1"), {10, 0, 19041, 1}},
      {WSTR("5"), {5, 0, 0, 0}},
      {WSTR("1.2.3.4.5"), {1, 2, 3, 4}},
      {WSTR("x.7"), {0, 7, 0, 0}},
      {WSTR("-3"), {0, 0, 0, 0}},
      {WSTR("1..2"), {1, 2, 0, 0}},
      {WSTR("..3. 4 "), {3, 4, 0, 0}},
      {WSTR(" \t6.1\r\n"), {6, 1, 0, 0}},
      {WSTR("99999999999.1"), {2147483647, 1, 0, 0}},
      {WSTR(""), {0, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Numbers(CVersion(c.text)));
}

TEST(VersionTest, ParsesConditions) {
  struct Case {
    WString text;
    std::array<int, 4> parts;
    int op;
  } cases[] = {
      {WSTR(">=6.1"), {6, 1, -1, -1}, CVersionMatch::kGreaterOrEqual},
      {WSTR("*"), {-1, -1, -1, -1}, CVersionMatch::kEqual},
      {WSTR("!2.0"), {2, 0, -1, -1}, CVersionMatch::kNotEqual},
      {WSTR("<>2"), {2, -1, -1, -1}, CVersionMatch::kNotEqual},
      {WSTR(">= 6.1"), {6, 1, -1, -1}, CVersionMatch::kNever},
      {WSTR("!=2"), {2, -1, -1, -1}, CVersionMatch::kNever},
      {WSTR("1.*.3"), {1, -1, -1, -1}, CVersionMatch::kEqual},
      {WSTR("1.-5"), {1, -1, -1, -1}, CVersionMatch::kEqual},
      {WSTR(">=*"), {0, -1, -1, -1}, CVersionMatch::kEqual},
      {WSTR("<1.2.3.4.5"), {1, 2, 3, 4}, CVersionMatch::kLess},
      {WSTR(""), {-1, -1, -1, -1}, CVersionMatch::kEqual},
  };
  for (const auto& c : cases) {
    const CVersionMatch m(c.text);
    EXPECT_EQ(c.parts, Parts(m));
    EXPECT_EQ(c.op, m.op);
  }
}

TEST(VersionTest, ConditionTable) {
  struct Case {
    WString condition, version;
    bool matches;
  } cases[] = {
      {WSTR("<2"), WSTR("1.9.9.9"), true},        {WSTR("<2"), WSTR("2.0.0.0"), false},
      {WSTR("<=2"), WSTR("2.5"), true},           {WSTR("<=2"), WSTR("3"), false},
      {WSTR("=6.1.*"), WSTR("6.1.7601.0"), true}, {WSTR("=6.1.*"), WSTR("6.2.0.0"), false},
      {WSTR("6.1"), WSTR("6.1.1"), true},         {WSTR("*"), WSTR("1.2.3.4"), true},
      {WSTR(">6.1"), WSTR("6.2.0.0"), true},      {WSTR(">6.1"), WSTR("6.1.9.0"), false},
      {WSTR(">=6.1"), WSTR("6.1.0.0"), true},     {WSTR(">=6.1"), WSTR("6.0.9"), false},
      {WSTR(">=6.1"), WSTR("10.0"), true},        {WSTR("<6.1.2"), WSTR("6.1.1.9"), true},
      {WSTR("<6.1.2"), WSTR("6.1.2.0"), false},   {WSTR("=1.2.3.4"), WSTR("1.2.3.4"), true},
      {WSTR("=1.2.3.4"), WSTR("1.2.3.5"), false}, {WSTR("!2"), WSTR("3.0"), true},
      {WSTR("!2"), WSTR("2.7"), false},           {WSTR("<>2"), WSTR("1.0"), true},
      {WSTR("!=2"), WSTR("3.0"), false},          {WSTR("!=2"), WSTR("2.0"), false},
      {WSTR(">=*"), WSTR("0.9"), true},           {WSTR(">=*"), WSTR("1.0"), false},
      {WSTR("~1"), WSTR("1.0"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.matches, CVersionMatch(c.condition).Matches(CVersion(c.version)))
        << "condition " << luma::WideToNarrow(c.condition);
  }
}

TEST(VersionTest, PartHelpers) {
  int cmp = 7;
  EXPECT_FALSE(luma::CompareVersionPart(-1, 3, cmp));
  EXPECT_EQ(0, cmp);
  EXPECT_TRUE(luma::CompareVersionPart(3, -1, cmp));
  EXPECT_EQ(-1, cmp);
  EXPECT_TRUE(luma::CompareVersionPart(3, 2, cmp));
  EXPECT_EQ(1, cmp);
  EXPECT_TRUE(luma::CompareVersionPart(3, 4, cmp));
  EXPECT_EQ(-1, cmp);
  EXPECT_TRUE(luma::CompareVersionPart(3, 3, cmp));
  EXPECT_EQ(0, cmp);

  EXPECT_EQ(12, luma::ParseVersionPart(WSTR(" 12abc ")));
  EXPECT_EQ(0, luma::ParseVersionPart(WSTR("-4")));
  EXPECT_EQ(-1, luma::ParseVersionMatchPart(WSTR(" * ")));
  EXPECT_EQ(-1, luma::ParseVersionMatchPart(WSTR("-4")));
  EXPECT_EQ(0, luma::ParseVersionMatchPart(WSTR("x")));
}

TEST(VersionTest, SortsConditionsNumbersBeforeAny) {
  const WString texts[] = {WSTR("*"), WSTR("2"), WSTR("1"), WSTR("1.5")};
  std::vector<std::pair<CVersionMatch, WString>> list;
  for (const auto& t : texts) list.emplace_back(CVersionMatch(t), t);
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<WString> sorted;
  for (const auto& e : list) sorted.push_back(e.second);
  EXPECT_EQ((std::vector<WString>{WSTR("1.5"), WSTR("1"), WSTR("2"), WSTR("*")}), sorted);

  EXPECT_TRUE(CVersionMatch(WSTR("1.2")) < CVersionMatch(WSTR("1.10")));
  EXPECT_FALSE(CVersionMatch(WSTR("1.10")) < CVersionMatch(WSTR("1.2")));
  // Same parts: unordered both ways, whatever the operator.
  EXPECT_FALSE(CVersionMatch(WSTR("<1.2.3.4")) < CVersionMatch(WSTR(">1.2.3.4")));
  EXPECT_FALSE(CVersionMatch(WSTR(">1.2.3.4")) < CVersionMatch(WSTR("<1.2.3.4")));
  EXPECT_TRUE(CVersionMatch(WSTR("1.2.3.4")) < CVersionMatch(WSTR("1.2.3.5")));
  EXPECT_TRUE(CVersionMatch(WSTR("1.2.3.4")) < CVersionMatch(WSTR("1.2.3")));
  EXPECT_FALSE(CVersionMatch(WSTR("1.2.3")) < CVersionMatch(WSTR("1.2.3.4")));
}

}  // namespace
