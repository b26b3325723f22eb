#include "ui/core/image_geometry.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

TEST(ImageGeometryTest, ScalingKeepsTheAspectWithinBounds) {
  struct Case {
    bool toWidth;
    CSizeI image;
    int length;
    bool ok;
    CSizeI expected;
  } cases[] = {
      {true, {1024, 128}, 256, true, {256, 32}},  // the busy strip at 32 pixels
      {true, {1024, 128}, 384, true, {384, 48}},
      {false, {64, 64}, 24, true, {24, 24}},  // a pictogram at 100 %
      {false, {96, 64}, 36, true, {54, 36}},
      {false, {3, 2}, 1, true, {1, 1}},
      {true, {100, 1}, 50, false, {}},  // the height truncates to nothing
      {true, {0, 10}, 10, false, {}},   // an image without pixels
      {false, {10, 10}, 0, false, {}},
      {false, {10000, 1}, 100, false, {}},  // an outside image cannot make a huge bitmap
      {true, {8192, 8192}, kMaxBitmapSide + 1, false, {}},
  };
  for (const Case& c : cases) {
    CSizeI out;
    const bool ok =
        c.toWidth ? ScaledToWidth(c.image, c.length, out) : ScaledToHeight(c.image, c.length, out);
    EXPECT_EQ(ok, c.ok) << c.image.width << "x" << c.image.height << " to " << c.length;
    if (ok && c.ok) {
      EXPECT_EQ(out, c.expected) << c.image.width << "x" << c.image.height << " to " << c.length;
    }
  }
}

TEST(ImageGeometryTest, FitPlacesTheImageInsideTheRectangle) {
  struct Case {
    CSizeI image, box;
    int xAlign, yAlign;
    bool ok;
    CFitPlacement expected;
  } cases[] = {
      {{64, 64}, {16, 20}, 0, 0, true, {0, 2, {16, 16}}},
      {{64, 64}, {16, 20}, -1, -1, true, {0, 0, {16, 16}}},
      {{100, 50}, {40, 40}, 0, 0, true, {0, 10, {40, 20}}},
      {{100, 50}, {40, 40}, 0, -1, true, {0, 0, {40, 20}}},
      {{10, 10}, {40, 20}, 0, 0, true, {10, 0, {20, 20}}},  // grown only as far as the rectangle
      {{10, 10}, {40, 20}, -1, 1, true, {0, 0, {20, 20}}},
      {{3, 1000}, {30, 30}, 0, 0, true, {15, 0, {0, 30}}},  // too thin to show: nothing drawn, no fault
      {{0, 10}, {16, 16}, 0, 0, false, {}},
      {{10, 10}, {0, 16}, 0, 0, false, {}},
      {{10, 10}, {kMaxBitmapSide + 1, 16}, 0, 0, false, {}},
  };
  for (const Case& c : cases) {
    CFitPlacement out;
    const bool ok = FitPlacement(c.image, c.box, c.xAlign, c.yAlign, out);
    EXPECT_EQ(ok, c.ok) << c.image.width << "x" << c.image.height << " in " << c.box.width << "x"
                        << c.box.height;
    if (ok && c.ok) {
      EXPECT_EQ(out, c.expected) << c.image.width << "x" << c.image.height << " in " << c.box.width << "x"
                                 << c.box.height << " got " << out.x << "," << out.y << " " << out.drawn.width
                                 << "x" << out.drawn.height;
    }
  }
}

TEST(ImageGeometryTest, SpinnerShowsEachFrameInTurnAndWhiteWithoutFrames) {
  EXPECT_EQ(SpinnerFrameCount({1024, 128}), 8);
  EXPECT_EQ(SpinnerFrameCount({100, 128}), 0);
  EXPECT_EQ(SpinnerFrameCount({0, 0}), 0);  // the picture did not load
  EXPECT_EQ(SpinnerFrameCount({1024, 0}), 0);

  struct Case {
    unsigned counter;
    int frames, width, x;
  } cases[] = {
      {0, 8, 48, 0},  {1, 8, 48, 48}, {7, 8, 48, 336},
      {8, 8, 48, 0},  {9, 8, 48, 48}, {0xFFFFFFFFu, 8, 48, 336},  // the counter may wrap while it runs
      {3, 0, 48, -1}, {3, 8, 0, -1},  {1, 1, 48, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SpinnerFrameX(c.counter, c.frames, c.width), c.x) << c.counter << " of " << c.frames;
  }
}

}  // namespace
}  // namespace luma::ui
