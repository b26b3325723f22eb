#include "policy/core/process_filter_objects.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "policy/core/compound_filter.h"
#include "policy/core/tests/fake_system_names.h"
#include "policy/core/tests/test_filters.h"

namespace {

using luma::testing::CFakeSystemNames;
using luma::testing::CNameFilter;
using luma::testing::TestItem;

int g_registrations = 0;

void RegisterTestAttributes(CAttributeFilterFactory<TestItem>& factory) {
  ++g_registrations;
  factory.Register(WSTR("Name"), CNameFilter());
}

// The only test that touches the process-wide objects: they are made once per process.
TEST(ProcessFilterObjectsTest, AreMadeOnceUnderTheLockAndSharedByEveryFilter) {
  CFakeSystemNames first;
  first.userNames = {{UserNameFormat::UserPrincipal, WSTR("alice@corp.example.test")}};
  CFakeSystemNames later;
  later.userNames = {{UserNameFormat::UserPrincipal, WSTR("mallory@elsewhere.test")}};

  const auto objects = luma::policy::GetProcessFilterObjects<TestItem>(&RegisterTestAttributes, first);
  std::vector<CProcessFilterObjects<TestItem>> seen(8);
  std::vector<std::thread> threads;
  for (auto& s : seen)
    threads.emplace_back([&s, &later] {
      s = luma::policy::GetProcessFilterObjects<TestItem>(&RegisterTestAttributes, later);
    });
  for (auto& t : threads) t.join();

  EXPECT_EQ(g_registrations, 1);
  EXPECT_EQ(later.queries, 0);
  for (const auto& s : seen) {
    EXPECT_EQ(s.factory, objects.factory);
    EXPECT_EQ(s.variableProvider, objects.variableProvider);
  }
  EXPECT_EQ(objects.variableProvider->GetValue(WSTR("user_upn")), WSTR("alice@corp.example.test"));
  EXPECT_EQ(objects.variableProvider->GetValue(WSTR("COMPUTER_DNS_DOMAIN")), WSTR("<undef>"));

  // A single attribute condition made by name through the process-wide factory.
  auto filter = std::make_shared<CCompoundFilter<TestItem>>(objects.factory, objects.variableProvider);
  ASSERT_TRUE(filter->Parse(WSTR("(name={USER_UPN})")));
  TestItem item;
  item.name = WSTR("alice@corp.example.test");
  EXPECT_TRUE(filter->Match(item));
}

}  // namespace
