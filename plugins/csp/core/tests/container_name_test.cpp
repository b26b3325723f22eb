#include "plugins/csp/core/container_name.h"

#include <gtest/gtest.h>

namespace luma::csp {
namespace {

struct SplitCase {
  const char* label;
  WString requested;
  WString reader;
  WString container;
  bool fullyQualified;
};

class SplitContainerNameTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitContainerNameTest, GivesReaderAndContainer) {
  const SplitCase& row = GetParam();
  const ContainerName name = SplitContainerName(row.requested, WSTR("lumaPassCSP"));
  EXPECT_EQ(row.reader, name.reader);
  EXPECT_EQ(row.container, name.container);
  EXPECT_EQ(row.fullyQualified, name.fullyQualified);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SplitContainerNameTest,
    ::testing::Values(
        SplitCase{"Empty", WSTR(""), WSTR("lumaPassCSP"), WSTR(""), false},
        SplitCase{"Plain", WSTR("Alice Key"), WSTR("lumaPassCSP"), WSTR("Alice Key"), false},
        SplitCase{"ReaderAndContainer", WSTR("\\\\.\\Reader 1\\Alice Key"), WSTR("Reader 1"),
                  WSTR("Alice Key"), true},
        SplitCase{"OnlyTheFirstSeparatorSplits", WSTR("\\\\.\\R\\a\\b"), WSTR("R"), WSTR("a\\b"), true},
        SplitCase{"ReaderWithoutContainer", WSTR("\\\\.\\Reader 1"), WSTR("Reader 1"), WSTR("Reader 1"),
                  true},
        SplitCase{"TrailingSeparator", WSTR("\\\\.\\Reader 1\\"), WSTR("Reader 1"), WSTR(""), true},
        SplitCase{"SeparatorRightAfterThePrefix", WSTR("\\\\.\\\\x"), WSTR("\\x"), WSTR("\\\\.\\\\x"), true},
        SplitCase{"BarePrefix", WSTR("\\\\.\\"), WSTR(""), WSTR(""), true},
        SplitCase{"PrefixComparedExactly", WSTR("\\\\?\\Reader\\Key"), WSTR("lumaPassCSP"),
                  WSTR("\\\\?\\Reader\\Key"), false},
        SplitCase{"ShorterThanThePrefix", WSTR("\\\\."), WSTR("lumaPassCSP"), WSTR("\\\\."), false}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace luma::csp
