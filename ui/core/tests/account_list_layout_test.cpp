#include "ui/core/account_list_layout.h"

#include <gtest/gtest.h>

#include <climits>

namespace luma::ui::accounts {
namespace {

CDpiScale Scale(int percent) { return {percent, percent, 1}; }

// The value is read into a 64-character buffer: a value that fills it without a terminator is too
// long and not used; one that ends without a terminator inside the buffer is cut where it ends.
TEST(AccountDialogLayoutTest, RegistryTextIsTerminatedOrRefused) {
  const std::wstring full(kLayoutBufferChars, L'7');
  std::wstring fitting(kLayoutBufferChars - 1, L'7');
  fitting.push_back(L'\0');
  const wchar_t embedded[] = L"800;600\0garbage";
  struct Case {
    const char* name;
    const wchar_t* data;
    std::size_t units;
    std::optional<std::wstring> expected;
  } cases[] = {
      {"terminated", L"800;600;200;80;150", 19, L"800;600;200;80;150"},
      {"stored without terminator", L"800;600;200;80;150", 18, L"800;600;200;80;150"},
      {"63 characters and terminator", fitting.c_str(), kLayoutBufferChars, fitting.substr(0, 63)},
      {"64 characters: too long", full.c_str(), kLayoutBufferChars, std::nullopt},
      {"more than the buffer counts as full", full.c_str(), kLayoutBufferChars + 10, std::nullopt},
      {"cut at the first terminator", embedded, 16, L"800;600"},
      {"empty", L"", 0, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminatedLayoutText(c.data, c.units), c.expected) << c.name;
}

TEST(AccountDialogLayoutTest, ParsesLikeTheTokenizerAndFormatsBack) {
  struct Case {
    const wchar_t* text;
    AccountDialogLayout expected;
  } cases[] = {
      {L"800;600;200;80;150", {800, 600, 200, 80, 150}},
      {L";;800;;600;", {800, 600, 0, 0, 0}},
      {L" 12x;abc;-5;+7", {12, 0, -5, 7, 0}},
      {L"1;2;3;4;5;6;7", {1, 2, 3, 4, 5}},
      {L"99999999999;-99999999999", {INT_MAX, INT_MIN, 0, 0, 0}},
      {L"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLayout(c.text), c.expected) << c.text;

  const AccountDialogLayout layout{1024, 480, 230, 90, 310};
  EXPECT_EQ(FormatLayout(layout), L"1024;480;230;90;310");
  EXPECT_EQ(ParseLayout(FormatLayout(layout)), layout);
}

TEST(AccountDialogLayoutTest, ASavedRecordCountsOnlyWhole) {
  EXPECT_TRUE(IsUsableLayout({800, 600, 200, 80, 150}));
  EXPECT_FALSE(IsUsableLayout({800, 0, 200, 80, 150}));
  EXPECT_FALSE(IsUsableLayout({800, 600, 200, 80, -1}));
  EXPECT_FALSE(IsUsableLayout({800, 600, 200, 80, 0}));
  EXPECT_FALSE(IsUsableLayout({INT_MAX, 600, 200, 80, 150}));
}

TEST(AccountDialogWidthsTest, SavedRecordOrScaledSettings) {
  const WidthSettings defaults;
  WidthSettings set;
  set.dialogWidth = 700;
  set.certificateWidth = 250;
  set.validityWidth = 100;
  set.statusWidth = 120;
  WidthSettings negative;
  negative.dialogWidth = 0xFFFFFFFFu;
  negative.certificateWidth = 0;
  negative.validityWidth = 0x80000000u;
  negative.statusWidth = 0xFFFFFFF0u;
  struct Case {
    const char* name;
    std::optional<AccountDialogLayout> saved;
    WidthSettings settings;
    int percent;
    ChosenWidths expected;
  } cases[] = {
      {"saved record, height and status ignored",
       AccountDialogLayout{900, 700, 260, 95, 400},
       set,
       150,
       {900, 260, 95, 0}},
      {"partial saved record: settings",
       AccountDialogLayout{900, 700, 260, 95, 0},
       set,
       150,
       {1050, 375, 150, 180}},
      {"defaults at 100%", std::nullopt, defaults, 100, {640, 200, 80, 0}},
      {"defaults at 150%", std::nullopt, defaults, 150, {640, 300, 120, 0}},
      {"values below zero count as unset", std::nullopt, negative, 125, {640, 250, 100, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseWidths(c.saved, c.settings, Scale(c.percent), 640), c.expected) << c.name;
}

TEST(AccountDialogWidthsTest, StatusColumnTakesTheRest) {
  // List client 491 at a window of 626 widened to 800, two scroll bars of 17, columns 200 and 80.
  EXPECT_EQ(StatusColumnWidth(491, 800, 626, 17, 200, 80, Scale(100)), 351);
  EXPECT_EQ(StatusColumnWidth(300, 626, 626, 17, 200, 80, Scale(150)), 48) << "at most 32 becomes scaled 32";
  EXPECT_EQ(StatusColumnWidth(0, 0, 626, 17, INT_MAX, INT_MAX, Scale(100)), 32);
}

TEST(AccountDialogHeightTest, GrowsToShowEveryGroupWithinTheDesktop) {
  HeightInputs in;
  in.groupHeights = 200;
  in.groupCount = 5;
  in.headerHeight = 24;
  in.scrollBarHeight = 17;
  in.clientHeight = 262;
  in.initialWindowHeight = 300;
  in.desktopHeight = 1024;
  in.taskbarHeight = 40;
  EXPECT_EQ(FittingWindowHeight(in, Scale(100)), std::nullopt) << "261 fits in 262";

  in.groupHeights = 400;
  EXPECT_EQ(FittingWindowHeight(in, Scale(100)), 300 + 461 - 262);

  in.groupHeights = 2000;
  EXPECT_EQ(FittingWindowHeight(in, Scale(150)), 1024 - 40 - 24) << "capped by the desktop";

  in.initialWindowHeight = 980;
  EXPECT_EQ(FittingWindowHeight(in, Scale(100)), std::nullopt) << "already taller than the limit";
}

TEST(AccountDialogResizeTest, ListGrowsButtonsAndIconKeepTheirDistance) {
  ResizeMetrics metrics;
  metrics.initialClientWidth = 610;
  metrics.initialListWidth = 495;
  metrics.buttonOffsetFromRight = 109;
  metrics.iconRightMargin = 10;
  metrics.iconBottomMargin = 8;
  metrics.iconWidth = 18;
  metrics.iconHeight = 20;
  const ResizedLayout layout = LayOutForSize(800, 400, metrics);
  EXPECT_EQ(layout.list, (CRectI{0, 0, 685, 400}));
  EXPECT_EQ(layout.buttonsLeft, 691);
  EXPECT_EQ(layout.icon, (CRectI{772, 372, 790, 392}));
}

TEST(AccountDialogDateTest, FormatsTheLocalDate) {
  struct Case {
    const wchar_t* format;
    int year, month, day;
    const wchar_t* expected;
  } cases[] = {
      {L"%d.%m.%Y", 2027, 3, 5, L"05.03.2027"},
      {L"%Y-%m-%d", 1970, 12, 31, L"1970-12-31"},
      {L"100%% %d %q", 2027, 3, 5, L"100% 05 %q"},
      {L"%d.%", 2027, 3, 5, L"05.%"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDate(c.format, c.year, c.month, c.day), c.expected) << c.format;
}

}  // namespace
}  // namespace luma::ui::accounts
