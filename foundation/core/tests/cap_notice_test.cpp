#include "foundation/core/cap_notice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace luma {
namespace {

std::vector<std::wstring> g_notes;

void Record(const wchar_t* name, std::size_t cap) {
  g_notes.push_back(std::wstring(name) + L"=" + std::to_wstring(cap));
}

// A flood leaves one note; a hit after the limit rested for the quiet time starts a new burst.
TEST(CapNoticeTest, OneNotePerBurst) {
  g_notes.clear();
  SetCapNoticeSink(Record);
  CCapNotice notice(L"sessions", 512);
  const auto start = CCapNotice::Clock::time_point() + std::chrono::hours(1);
  const std::chrono::seconds justUnder = CCapNotice::kQuietTime - std::chrono::seconds(1);

  EXPECT_TRUE(notice.Hit(start));
  EXPECT_FALSE(notice.Hit(start + justUnder));
  EXPECT_FALSE(notice.Hit(start + 2 * justUnder));  // quiet time counts from the last hit
  EXPECT_TRUE(notice.Hit(start + 2 * justUnder + CCapNotice::kQuietTime));
  EXPECT_EQ(notice.Hits(), 4u);
  EXPECT_EQ(g_notes, (std::vector<std::wstring>{L"sessions=512", L"sessions=512"}));

  SetCapNoticeSink(nullptr);  // without a sink hits are only counted
  EXPECT_TRUE(notice.Hit(start + std::chrono::hours(1)));
  EXPECT_EQ(g_notes.size(), 2u);
}

}  // namespace
}  // namespace luma
