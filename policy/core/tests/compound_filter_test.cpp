#include "policy/core/compound_filter.h"

#include <gtest/gtest.h>

#include <thread>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::MakeTestFactory;
using luma::testing::Narrow;
using luma::testing::TestItem;
using Filter = CCompoundFilter<TestItem>;
using Type = CompoundFilterType;

class CompoundFilterTest : public ::testing::Test {
 protected:
  CompoundFilterTest() : variables(std::make_shared<CMapVariableProvider>(WSTR("<undef>"))) {
    variables->SetVariables({{WSTR("USER_UPN"), WSTR("alice@corp")},
                             {WSTR("SELF"), WSTR("{SELF}")},
                             {WSTR("MIN_SIZE"), WSTR("2048")}});
    item.name = WSTR("alice@corp");
    item.size = 4096;
  }

  std::shared_ptr<Filter> Make() const { return std::make_shared<Filter>(factory, variables); }
  std::shared_ptr<Filter> Parsed(const WString& text) const {
    auto filter = Make();
    EXPECT_TRUE(filter->Parse(text)) << Narrow(text) << ": " << Narrow(filter->ErrorText());
    return filter;
  }

  std::shared_ptr<CAttributeFilterFactory<TestItem>> factory = MakeTestFactory();
  std::shared_ptr<CMapVariableProvider> variables;
  TestItem item;
};

// Nesting of `levels` brackets: "(Size>=1)" inside "(&...(Size>=1))" nodes.
WString Nested(int levels) {
  WString text = WSTR("(Size>=1)");
  for (int i = 1; i < levels; ++i) text = WSTR("(&") + text + WSTR("(Size>=1))");
  return text;
}

TEST_F(CompoundFilterTest, AcceptsAttributeFiltersWithTheirParts) {
  struct Case {
    WString text, leaf;
  } cases[] = {
      {WSTR("  (Size >= 2048 )"), WSTR("size GREATER_OR_EQUAL 2048")},
      {WSTR("(Size>=2048) anything"), WSTR("size GREATER_OR_EQUAL 2048")},
      {WSTR("(Size<=1))"), WSTR("size LESS_OR_EQUAL 1")},
      {WSTR("\t(\n Name=*)"), WSTR("name PRESENT")},
      {WSTR("(Name=* )"), WSTR("name PRESENT")},
      {WSTR("(Name=CN*)"), WSTR("name EQUALS CN*")},
      {WSTR("(Name= *CN)"), WSTR("name EQUALS *CN")},
      {WSTR("(Name=>x)"), WSTR("name EQUALS >x")},
      {WSTR("(Name~=a:b<c)"), WSTR("name CONTAINS a:b<c")},
      {WSTR("(Name=CN=a\\28b\\29)"), WSTR("name EQUALS CN=a(b)")},
      {WSTR("(Name=\\5c3a\\2A)"), WSTR("name EQUALS :\\2A")},
      {WSTR("(Probe : UP = x)"), WSTR("probe{UP} EQUALS x")},
      {WSTR("(Probe:U:P=x)"), WSTR("probe{UP} EQUALS x")},
      {WSTR("(Probe:a\\3ab\\28=x)"), WSTR("probe{a:b(} EQUALS x")},
      {WSTR("(PROBE:{USER_UPN}=x)"), WSTR("probe{{USER_UPN}} EQUALS x")},  // parameters are not expanded
  };
  for (const auto& c : cases) {
    const auto filter = Parsed(c.text);
    EXPECT_EQ(filter->Type(), Type::ATTRIBUTE) << Narrow(c.text);
    ASSERT_TRUE(filter->Leaf()) << Narrow(c.text);
    EXPECT_TRUE(filter->SubFilters().empty());
    EXPECT_EQ(filter->Leaf()->ToString(), c.leaf) << Narrow(c.text);
    EXPECT_EQ(filter->ErrorPosition(), 0);
    EXPECT_EQ(filter->ErrorText(), WSTR(""));
  }
}

TEST_F(CompoundFilterTest, AcceptsCompoundFiltersAsTrees) {
  struct Case {
    WString text;
    Type type;
    std::size_t subFilters;
    bool matches;
  } cases[] = {
      {WSTR("(&(Size>=2048)(Name=alice@corp))"), Type::AND, 2, true},
      {WSTR(" ( | (Size>=9999) \r\n(Name=bob) (Name~=ALICE) ) "), Type::OR, 3, true},
      {WSTR("(!(Size>=2048))"), Type::NOT, 1, false},
      {WSTR("(&(!(Size>=9999))(|(Name=a)(Name=*)))"), Type::AND, 2, true},
      {WSTR("(&(Size>=2048)(Size<=2048))"), Type::AND, 2, false},
  };
  for (const auto& c : cases) {
    const auto filter = Parsed(c.text);
    EXPECT_EQ(filter->Type(), c.type) << Narrow(c.text);
    EXPECT_EQ(filter->SubFilters().size(), c.subFilters) << Narrow(c.text);
    EXPECT_FALSE(filter->Leaf());
    EXPECT_EQ(filter->Match(item), c.matches) << Narrow(c.text);
  }
}

TEST_F(CompoundFilterTest, RejectsWithTheMessageAndPositionOfTheFirstError) {
  struct Case {
    WString text, message;
    std::int32_t position;
  } cases[] = {
      {WSTR("(&(Size>=2048)(Name=a)) x"),
       WSTR("No non-white space character allowed before filter '(&(Size>=2048)(Name=a)) x'"), 24},
      {WSTR("x(Size>=1)"), WSTR("No non-white space character allowed before filter 'x(Size>=1)'"), 0},
      {WSTR("(&(Size>=2048) x (Name=a))"),
       WSTR("No non-white space character allowed between sub filters '(&(Size>=2048) x (Name=a))'"), 15},
      {WSTR("(&&(Size>=2048)(Name=a))"),
       WSTR("No non-white space character allowed between sub filters '(&&(Size>=2048)(Name=a))'"), 2},
      {WSTR("((Size>=2048))"), WSTR("Unbalanced brackets '((Size>=2048))'"), 0},
      {WSTR("(Name=CN=a(b))"), WSTR("Unbalanced brackets '(Name=CN=a(b))'"), 0},
      {WSTR("(&(Size>=1)"), WSTR("Unbalanced brackets '(&(Size>=1)'"), 0},
      {WSTR("(&(Size>=2048))"), WSTR("Multiple sub filter required for boolean operation '(&(Size>=2048))'"),
       0},
      {WSTR("(|(Size>=2048))"), WSTR("Multiple sub filter required for boolean operation '(|(Size>=2048))'"),
       0},
      {WSTR("()"), WSTR("Multiple sub filter required for boolean operation '()'"), 0},
      {WSTR(""), WSTR("Multiple sub filter required for boolean operation ''"), 0},
      {WSTR(" \t"), WSTR("Multiple sub filter required for boolean operation ' \t'"), 0},
      {WSTR("(!(Size>=2048)(Name=a))"),
       WSTR("Not filter requires a single sub filter '(!(Size>=2048)(Name=a))'"), 0},
      {WSTR("(!)"), WSTR(""), 0},
      {WSTR("(Name=*CN*)"), WSTR("Wild card matching not supported 'Name=*CN*'"), 10},
      {WSTR("(Size>2048)"), WSTR("Unsupported filter type 'Size>2048'"), 10},
      {WSTR("(Size)"), WSTR("Unsupported filter type 'Size'"), 5},
      {WSTR("(Size==1)"), WSTR("Unsupported filter type 'Size==1'"), 8},
      {WSTR("(Size>= )"), WSTR("Value missing for filter 'Size>= '"), 8},
      {WSTR("(Name~=)"), WSTR("Value missing for filter 'Name~='"), 7},
      {WSTR("(Owner=x)"), WSTR("Unsupported attribute 'Owner'"), 8},
      {WSTR("( Owner =x)"), WSTR("Unsupported attribute 'Owner'"), 10},
      {WSTR("(=x)"), WSTR("Unsupported attribute ''"), 3},
      {WSTR("({USER_UPN}=x)"), WSTR("Unsupported attribute '{USER_UPN}'"), 13},
      {WSTR("(Size~=20)"), WSTR("Invalid parameter or unsupported operation for filter 'Size~=20'"), 9},
      {WSTR("(Size=*)"), WSTR("Invalid parameter or unsupported operation for filter 'Size=*'"), 7},
      {WSTR("(Name:p=x )"), WSTR("Invalid parameter or unsupported operation for filter 'Name:p=x '"), 10},
      // A sub filter's message names the innermost failing node; the position is where the failing
      // sub filter of the root ends.
      {WSTR("(&(Size>=1)(|(Name=a)(Owner=x)))"), WSTR("Unsupported attribute 'Owner'"), 30},
      {WSTR("(&(Size>=1)(!(Name=a)(Name=b)))"),
       WSTR("Not filter requires a single sub filter '(!(Name=a)(Name=b))'"), 29},
      {WSTR("(&(Size>=1)(Size=x)"), WSTR("Invalid parameter or unsupported operation for filter 'Size=x'"),
       18},
      {WSTR("(|(Name=a)( &(Name=b)))"),
       WSTR("Multiple sub filter required for boolean operation '( &(Name=b))'"), 21},
  };
  for (const auto& c : cases) {
    auto filter = Make();
    ASSERT_TRUE(filter->Parse(WSTR("(&(Size>=1)(Name=a))")));  // what a failed Parse must discard
    EXPECT_FALSE(filter->Parse(c.text)) << Narrow(c.text);
    EXPECT_EQ(filter->ErrorText(), c.message) << Narrow(c.text);
    EXPECT_EQ(filter->ErrorPosition(), c.position) << Narrow(c.text);
    EXPECT_EQ(filter->Text(), c.text);
    EXPECT_TRUE(filter->SubFilters().empty()) << Narrow(c.text);
    EXPECT_FALSE(filter->Leaf()) << Narrow(c.text);
    EXPECT_FALSE(filter->Match(item)) << Narrow(c.text);
  }
}

TEST_F(CompoundFilterTest, NodesThatWereNeverParsedOrFailedMatchNothing) {
  EXPECT_FALSE(Make()->Match(item));
  auto filter = Make();
  EXPECT_FALSE(filter->Parse(WSTR("(!(Name=bob)) x")));
  EXPECT_FALSE(filter->Match(item));
}

TEST_F(CompoundFilterTest, ExpandsVariablesAtTheRootAndInsideCompoundNodes) {
  struct Case {
    WString text;
    bool matches;
  } cases[] = {
      {WSTR("(Name={USER_UPN})"), true},
      {WSTR("(Name={user_upn})"), true},
      {WSTR("(&(Name={USER_UPN})(Size>=2048))"), true},
      {WSTR("(|(!(Size>=0))(&(Size>={MIN_SIZE})(Name={USER_UPN})))"), true},
      {WSTR("(!(Name={USER_UPN}))"), false},
      {WSTR("(&(Size>=2048)(Name=USER_UPN))"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.text)->Match(item), c.matches) << Narrow(c.text);

  EXPECT_EQ(Parsed(WSTR("(&(Size>={MIN_SIZE})(Name=x))"))->SubFilters()[0]->Leaf()->ToString(),
            WSTR("size GREATER_OR_EQUAL 2048"));
}

TEST_F(CompoundFilterTest, ExpandsBeforeUnescapingAndLeavesUnclosedReferences) {
  struct Case {
    WString text, leaf;
  } cases[] = {
      {WSTR("(Name=x{})"), WSTR("name EQUALS x<undef>")},
      {WSTR("(Name={NOT_DEFINED})"), WSTR("name EQUALS <undef>")},
      {WSTR("(Name={USER_UPN}{)"), WSTR("name EQUALS {USER_UPN}{")},
      {WSTR("(Name={})"), WSTR("name EQUALS {}")},
      {WSTR("(Name=\\7bUSER_UPN\\7d)"), WSTR("name EQUALS {USER_UPN}")},
  };
  for (const auto& c : cases) {
    const auto filter = Parsed(c.text);
    ASSERT_TRUE(filter->Leaf()) << Narrow(c.text);
    EXPECT_EQ(filter->Leaf()->ToString(), c.leaf) << Narrow(c.text);
  }
  const auto compound = Parsed(WSTR("(&(Name=\\7bUSER_UPN\\7d)(Name=x{}))"));
  EXPECT_EQ(compound->SubFilters()[0]->Leaf()->Value(), WSTR("{USER_UPN}"));
  EXPECT_EQ(compound->SubFilters()[1]->Leaf()->Value(), WSTR("x<undef>"));
}

TEST_F(CompoundFilterTest, AValueWhoseExpansionDoesNotEndMatchesNothing) {
  const auto loop = Parsed(WSTR("(Name={SELF})"));
  for (const WString& name :
       {WString(WSTR("{SELF}")), WString(WSTR("SELF")), WString(WSTR("<undef>")), loop->Leaf()->Value()}) {
    item.name = name;
    EXPECT_FALSE(loop->Match(item)) << Narrow(name);
  }
  EXPECT_FALSE(Parsed(WSTR("(&(Size>=1)(Name={SELF}))"))->Match(item));
  EXPECT_TRUE(Parsed(WSTR("(|(Size>=1)(Name={SELF}))"))->Match(item));
}

TEST_F(CompoundFilterTest, AndAndOrStopAtTheFirstDecidingSubFilter) {
  struct Case {
    WString text;
    bool matches;
    std::vector<WString> visited;
  } cases[] = {
      {WSTR("(&(Probe=yes1)(Probe=no2)(Probe=yes3))"), false, {WSTR("yes1"), WSTR("no2")}},
      {WSTR("(&(Probe=yes1)(Probe=yes2))"), true, {WSTR("yes1"), WSTR("yes2")}},
      {WSTR("(|(Probe=no1)(Probe=yes2)(Probe=no3))"), true, {WSTR("no1"), WSTR("yes2")}},
      {WSTR("(|(Probe=no1)(Probe=no2))"), false, {WSTR("no1"), WSTR("no2")}},
      {WSTR("(!(Probe=no1))"), true, {WSTR("no1")}},
      {WSTR("(|(&(Probe=yes1)(Probe=no2))(!(Probe=yes3))(Probe=yes4))"),
       true,
       {WSTR("yes1"), WSTR("no2"), WSTR("yes3"), WSTR("yes4")}},
  };
  for (const auto& c : cases) {
    std::vector<WString> visited;
    item.visited = &visited;
    EXPECT_EQ(Parsed(c.text)->Match(item), c.matches) << Narrow(c.text);
    EXPECT_EQ(visited, c.visited) << Narrow(c.text);
  }
}

TEST_F(CompoundFilterTest, RefusesNestingDeeperThanTheBound) {
  const auto deepest = Parsed(Nested(luma::policy::kMaxFilterNesting));
  EXPECT_TRUE(deepest->Match(item));

  const WString tooDeep = Nested(luma::policy::kMaxFilterNesting + 1);
  auto filter = Make();
  EXPECT_FALSE(filter->Parse(tooDeep));
  EXPECT_EQ(filter->ErrorText(), WSTR("Filter nested deeper than 64 levels '") + tooDeep + WSTR("'"));
  EXPECT_EQ(filter->ErrorPosition(), 2 * luma::policy::kMaxFilterNesting);  // the "(" that opens level 65

  const WString brackets(100000, WSTR('('));
  EXPECT_FALSE(filter->Parse(brackets));
  EXPECT_EQ(filter->ErrorPosition(), luma::policy::kMaxFilterNesting);
  WString operators;
  for (int i = 0; i < 50000; ++i) operators += WSTR("(!");
  EXPECT_FALSE(filter->Parse(operators));
  EXPECT_EQ(filter->ErrorPosition(), 2 * luma::policy::kMaxFilterNesting);
}

TEST_F(CompoundFilterTest, OneParsedTreeServesSeveralThreads) {
  const auto filter = Parsed(WSTR("(&(|(Name~=ALICE)(Size<=0))(!(Size>=9999)))"));
  std::vector<std::thread> threads;
  std::vector<int> matches(4, 0);
  for (auto& m : matches) {
    threads.emplace_back([&m, &filter, this] {
      for (int i = 0; i < 1000; ++i) m += filter->Match(item) ? 1 : 0;
    });
  }
  for (auto& t : threads) t.join();
  for (const auto m : matches) EXPECT_EQ(m, 1000);
}

}  // namespace
