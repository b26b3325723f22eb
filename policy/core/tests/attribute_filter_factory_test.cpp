#include "policy/core/attribute_filter_factory.h"

#include <gtest/gtest.h>

#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::CNameFilter;
using luma::testing::CProbeFilter;
using luma::testing::CSizeFilter;
using luma::testing::MakeTestFactory;
using luma::testing::TestItem;
using Op = AttributeFilterOperator;

TEST(AttributeFilterFactoryTest, FindsPrototypesWithoutRegardToCase) {
  const auto factory = MakeTestFactory();
  for (const WString name : {WSTR("Size"), WSTR("size"), WSTR("SIZE")}) {
    const auto filter = factory->Create(name, WSTR(""), Op::GREATER_OR_EQUAL, WSTR("2048"));
    ASSERT_TRUE(filter);
    EXPECT_TRUE(std::dynamic_pointer_cast<CSizeFilter>(filter));
    EXPECT_EQ(filter->ToString(), WSTR("size GREATER_OR_EQUAL 2048"));
  }
  EXPECT_FALSE(factory->Create(WSTR("Owner"), WSTR(""), Op::EQUALS, WSTR("x")));
  EXPECT_FALSE(factory->Create(WSTR(""), WSTR(""), Op::EQUALS, WSTR("x")));
}

TEST(AttributeFilterFactoryTest, ALaterRegistrationReplacesTheEarlierOne) {
  const auto factory = MakeTestFactory();
  factory->Register(WSTR("NAME"), CProbeFilter());
  EXPECT_TRUE(std::dynamic_pointer_cast<CProbeFilter>(
      factory->Create(WSTR("name"), WSTR(""), Op::EQUALS, WSTR("x"))));
}

TEST(AttributeFilterFactoryTest, HandsOutInvalidFiltersForTheCallerToRefuse) {
  const auto factory = MakeTestFactory();
  const auto filter = factory->Create(WSTR("Size"), WSTR(""), Op::CONTAINS, WSTR("20"));
  ASSERT_TRUE(filter);
  EXPECT_FALSE(filter->IsValid());
  TestItem item;
  item.size = 20;
  EXPECT_FALSE(filter->Match(item));
}

TEST(AttributeFilterFactoryTest, KeepsItsOwnCopyOfThePrototype) {
  CAttributeFilterFactory<TestItem> factory;
  {
    const CNameFilter prototype;
    factory.Register(WSTR("Name"), prototype);
  }
  TestItem item;
  item.name = WSTR("abc");
  const auto filter = factory.Create(WSTR("Name"), WSTR(""), Op::CONTAINS, WSTR("B"));
  ASSERT_TRUE(filter);
  EXPECT_TRUE(filter->Match(item));
}

}  // namespace
