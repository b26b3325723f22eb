#include "ui/core/certificate_viewer_plan.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

TEST(CertificateViewerPlanTest, PagesByTheSettingsAndTheProgramsNamed) {
  using P = ViewerPage;
  struct Case {
    bool account, restrictions;
    std::size_t processes;
    std::vector<ViewerPage> pages;
  } cases[] = {
      {false, false, 2, {P::kPassword}},
      {true, false, 2, {P::kPassword, P::kAccount}},
      {false, true, 0, {P::kPassword}},  // nothing to restrict: no page even when asked for
      {false, true, 1, {P::kPassword, P::kRestrictions}},
      {true, true, 3, {P::kPassword, P::kAccount, P::kRestrictions}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.pages, ViewerPages(c.account, c.restrictions, c.processes))
        << c.account << c.restrictions << c.processes;
  }
  EXPECT_EQ(0x10814u, ViewerFlags(true));
  EXPECT_EQ(0x50014u, ViewerFlags(false));
}

TEST(CertificateViewerPlanTest, ChangeAndCacheTexts) {
  struct Change {
    bool due, noPassword, beforeExpiry;
    unsigned id;
  } changes[] = {
      {true, true, true, 10104},
      {false, true, true, 10112},
      {false, false, true, 10105},
      {false, false, false, 10103},
  };
  for (const Change& c : changes) {
    EXPECT_EQ(c.id, PasswordChangeTextId(c.due, c.noPassword, c.beforeExpiry)) << c.due << c.noPassword;
  }
  struct Cache {
    bool noPassword;
    std::int64_t seconds, uses;
    unsigned id;
    std::int64_t first, second;
  } caches[] = {
      {true, 300, 5, 10112, 0, 0},  {false, 0, 0, 10107, 0, 0},       {false, 300, 0, 10108, 300, 0},
      {false, 0, 10, 10109, 10, 0}, {false, 300, 10, 10110, 300, 10},
  };
  for (const Cache& c : caches) {
    const ViewerText text = PasswordCacheText(c.noPassword, c.seconds, c.uses);
    EXPECT_EQ(c.id, text.textId) << c.seconds << "/" << c.uses;
    EXPECT_EQ(c.first, text.first);
    EXPECT_EQ(c.second, text.second);
  }
}

}  // namespace
}  // namespace luma::ui
