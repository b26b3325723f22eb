#include "ui/core/window_geometry.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

TEST(MulDivRoundedTest, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {144, 100, 96, 150},    {120, 100, 96, 125}, {96, 100, 96, 100}, {100, 96, 72, 133},
      {-9, 133, 100, -12},    {3, 1, 2, 2},        {-3, 1, 2, -2},     {5, 7, 0, -1},
      {0x40000000, 4, 1, -1}, {-6, 1, -4, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDivRounded(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
  }
}

// The sheet's font and every scaled length follow the DPI measured at the first initialisation, also
// when the window is initialised again on another display.
TEST(DpiScaleTest, ModesAndFontHeights) {
  CDpiScale dpi;
  EXPECT_EQ(ScaleByDpi(dpi, 8), 8) << "mode 0 leaves lengths alone";
  EXPECT_EQ(ScaledFontHeight(dpi, 9), -9);

  MeasureDpi(dpi, 144);
  EXPECT_EQ(dpi.mode, 1);
  EXPECT_EQ(dpi.current, 150);
  EXPECT_EQ(dpi.initial, 150);
  MeasureDpi(dpi, 96);
  EXPECT_EQ(dpi.current, 100);
  EXPECT_EQ(dpi.initial, 150) << "the first measurement is kept";
  EXPECT_EQ(ScaleByDpi(dpi, 8), 12);
  EXPECT_EQ(ScaledFontHeight(dpi, 9), -18);
  dpi.mode = 2;
  EXPECT_EQ(ScaleByDpi(dpi, 8), 8);
  EXPECT_EQ(ScaledFontHeight(dpi, 9), -12);

  struct Case {
    int logPixels, scaled10, fontHeight;
  } cases[] = {{96, 10, -12}, {120, 13, -15}, {144, 15, -18}, {192, 20, -24}};
  for (const Case& c : cases) {
    CDpiScale fresh;
    MeasureDpi(fresh, c.logPixels);
    EXPECT_EQ(ScaleByDpi(fresh, 10), c.scaled10) << c.logPixels;
    EXPECT_EQ(ScaledFontHeight(fresh, 9), c.fontHeight) << c.logPixels;
  }
}

TEST(CenteredPositionTest, CentresAndKeepsTheWindowOnTheScreen) {
  struct Case {
    CRectI window, desktop;
    int screenWidth, screenHeight;
    CPointI expected;
  } cases[] = {
      {{0, 0, 400, 300}, {0, 0, 1280, 1024}, 1280, 1024, {440, 362}},
      {{50, 50, 451, 351}, {0, 0, 1280, 1024}, 1280, 1024, {439, 361}},   // odd sizes round down
      {{0, 0, 1400, 300}, {0, 0, 1280, 1024}, 1280, 1024, {-120, 362}},   // wider than the screen
      {{0, 0, 400, 1100}, {0, 0, 1280, 1024}, 1280, 1024, {440, -76}},    // taller than the screen
      {{0, 0, 400, 300}, {1280, 0, 2560, 1024}, 1280, 1024, {880, 362}},  // desktop right of the screen
      {{0, 0, 400, 300}, {-1280, 0, 0, 1024}, 1280, 1024, {0, 362}},      // never left of 0
  };
  for (const Case& c : cases) {
    const CPointI at = CenteredPosition(c.window, c.desktop, c.screenWidth, c.screenHeight);
    EXPECT_EQ(at.x, c.expected.x) << c.window.Width() << "x" << c.window.Height() << " on " << c.desktop.left;
    EXPECT_EQ(at.y, c.expected.y) << c.window.Width() << "x" << c.window.Height() << " on " << c.desktop.left;
  }
}

// Taskbars on a 1280 x 1024 screen and where a 300 x 200 window goes beside each, 8 pixels away.
TEST(TaskbarPlacementTest, EdgeAndCornerForEveryDock) {
  struct Case {
    const char* name;
    CRectI taskbar;
    int edge;
    CPointI at;
  } cases[] = {
      {"bottom", {0, 984, 1280, 1024}, kEdgeBottom, {972, 776}},
      {"top, spanning the width", {0, 0, 1280, 40}, kEdgeTop, {972, 48}},
      {"left", {0, 0, 60, 1024}, kEdgeLeft, {68, 816}},
      {"right", {1220, 0, 1280, 1024}, kEdgeRight, {912, 816}},
  };
  for (const Case& c : cases) {
    const int edge = TaskbarEdge(c.taskbar, 1280, 1024);
    EXPECT_EQ(edge, c.edge) << c.name;
    CPointI at;
    ASSERT_TRUE(PositionNearTaskbar(edge, c.taskbar, 300, 200, 8, at)) << c.name;
    EXPECT_EQ(at.x, c.at.x) << c.name;
    EXPECT_EQ(at.y, c.at.y) << c.name;
  }
  CPointI untouched{7, 7};
  EXPECT_FALSE(PositionNearTaskbar(kEdgeUnknown, {}, 300, 200, 8, untouched));
  EXPECT_EQ(untouched, (CPointI{7, 7}));
}

// A client area 300 high whose bottom lies at screen y 700; the button sits 7 pixels above it.
TEST(SheetLayoutTest, BandIsCentredOnTheButton) {
  const CSheetLayout layout = SheetLayout(420, 300, 670, 693, 700);
  EXPECT_EQ(layout.page, (CRectI{0, 0, 420, 263}));
  EXPECT_EQ(layout.band, (CRectI{0, 263, 420, 300}));
  EXPECT_EQ(layout.band.Height() - (693 - 670), 2 * (700 - 693)) << "equal gaps above and below";
}

TEST(MinimumDurationTest, SleepsOnlyForWhatIsLeft) {
  struct Case {
    std::uint32_t start, now, minimum, expected;
  } cases[] = {
      {1000, 1050, 1000, 950},  // a 50 ms check still turns the spinner for a second
      {1000, 2000, 1000, 0},
      {1000, 5000, 1000, 0},
      {0, 50, 1000, 0},                       // never started
      {0xFFFFFF00u, 0x00000064u, 1000, 644},  // across the wrap of the tick count: 356 ms elapsed
      {1000, 1000, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemainingMinimumDuration(c.start, c.now, c.minimum), c.expected) << c.start << " -> " << c.now;
  }
}

}  // namespace
}  // namespace luma::ui
