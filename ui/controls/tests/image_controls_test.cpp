#include "ui/controls/image_controls.h"

#include <gtest/gtest.h>

#include "ui/controls/gdiplus_bitmap.h"
#include "ui/controls/tests/control_test_support.h"
#include "ui/controls/tests/test_tile_ids.h"
#include "ui/framework/app_window.h"

namespace luma::ui {
namespace {

using ui_test::CTestDialog;
using ui_test::PaintOf;

std::uint32_t Argb(Gdiplus::Bitmap& bitmap, int x, int y) {
  Gdiplus::Color colour;
  bitmap.GetPixel(x, y, &colour);
  return colour.GetValue();
}

TEST(GdiPlusBitmapTest, EveryPictureOfTheProgramLoadsAndBadBytesAreRefused) {
  for (UINT id : {10004u, 10005u, 10006u, 10010u, 10013u, 10068u, 10072u, 10135u}) {
    CGdiPlusBitmapResource picture;
    EXPECT_TRUE(picture.Load(id, CAppWindow::ResourceModule())) << id;
    EXPECT_NE(picture.Get(), nullptr) << id;
  }
  CGdiPlusBitmapResource picture;
  ASSERT_TRUE(picture.Load(10072u, CAppWindow::ResourceModule()));
  EXPECT_FALSE(picture.Load(9999u, CAppWindow::ResourceModule())) << "a missing picture";
  EXPECT_EQ(picture.Get(), nullptr) << "a failed load holds nothing";

  const BYTE junk[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
  EXPECT_FALSE(picture.Load(junk, sizeof(junk)));
  EXPECT_FALSE(picture.Load(junk, 0));
  EXPECT_FALSE(picture.Load(nullptr, 10));
  EXPECT_FALSE(picture.Load(junk, CGdiPlusBitmapResource::kMaxImageBytes + 1)) << "refused before reading";
}

TEST(GdiPlusBitmapTest, ScalingAndFittingMakeTheSizesTheirCallersExpect) {
  CGdiPlusBitmapResource strip;
  ASSERT_TRUE(strip.Load(10135u, CAppWindow::ResourceModule()));
  auto scaled = ScaleBitmapToWidth(*strip.Get(), 256);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(SizeOf(*scaled), (CSizeI{256, 32}));
  EXPECT_EQ(Argb(*scaled, 1, 1) & 0xFF000000u, 0xFF000000u) << "over opaque white";

  CGdiPlusBitmapResource icon;  // 64 x 64, transparent outside its circle
  ASSERT_TRUE(icon.Load(10072u, CAppWindow::ResourceModule()));
  auto high = ScaleBitmapToHeight(*icon.Get(), 24);
  ASSERT_TRUE(high);
  EXPECT_EQ(SizeOf(*high), (CSizeI{24, 24}));
  EXPECT_EQ(Argb(*high, 0, 0) >> 24, 0u) << "transparent corners stay transparent";
  EXPECT_FALSE(ScaleBitmapToHeight(*icon.Get(), 0));

  const RECT box = {0, 0, 16, 20};
  auto centred = FitBitmapToRect(*icon.Get(), box, 0, 0, true);
  ASSERT_TRUE(centred);
  EXPECT_EQ(SizeOf(*centred), (CSizeI{16, 20}));
  EXPECT_EQ(Argb(*centred, 8, 0), 0xFFFFFFFFu) << "white above the image";
  EXPECT_EQ(Argb(*centred, 8, 19), 0xFFFFFFFFu) << "white below it";
  EXPECT_NE(Argb(*centred, 3, 10), 0xFFFFFFFFu) << "the grey circle in the middle";
  auto top = FitBitmapToRect(*icon.Get(), box, -1, -1, false);
  ASSERT_TRUE(top);
  EXPECT_EQ(Argb(*top, 8, 18) >> 24, 0u) << "transparent below an image at the top";
  EXPECT_NE(Argb(*top, 8, 8) >> 24, 0u);
  EXPECT_FALSE(FitBitmapToRect(*icon.Get(), RECT{0, 0, 0, 20}, 0, 0, true));
}

class PictureControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(dialog.Handle(), nullptr); }
  CTestDialog dialog{IDD_TEST_PICTURES};
};

TEST_F(PictureControlsTest, SpinnerShowsEachFrameInTurnAndIsWhiteWhenStill) {
  CSpinnerControl spinner;
  ASSERT_TRUE(spinner.Attach(dialog.Handle(), IDC_TEST_SPINNER));
  EXPECT_EQ(spinner.FrameCount(), 8);
  const ui_test::CPainted still = PaintOf(spinner.Handle());
  EXPECT_TRUE(still.Uniform(0, 0, still.width, still.height, 0xFFFFFF));

  spinner.Start();
  EXPECT_TRUE(spinner.Running());
  const ui_test::CPainted first = PaintOf(spinner.Handle());
  EXPECT_FALSE(first.Uniform(0, 0, first.width, first.height, 0xFFFFFF));
  for (int tick = 0; tick < 9; ++tick) SendMessageW(spinner.Handle(), WM_TIMER, CSpinnerControl::kTimerId, 0);
  EXPECT_EQ(spinner.FrameCounter(), 9u);
  EXPECT_EQ(PaintOf(spinner.Handle()).pixels != first.pixels, true) << "the second frame differs";
  for (int tick = 0; tick < 7; ++tick) SendMessageW(spinner.Handle(), WM_TIMER, CSpinnerControl::kTimerId, 0);
  EXPECT_EQ(PaintOf(spinner.Handle()).pixels, first.pixels) << "after eight frames the first again";
  spinner.Start();
  EXPECT_EQ(spinner.FrameCounter(), 16u) << "a running spinner is not restarted";
  spinner.Stop();
  const ui_test::CPainted stopped = PaintOf(spinner.Handle());
  EXPECT_TRUE(stopped.Uniform(0, 0, stopped.width, stopped.height, 0xFFFFFF));
  spinner.Start();
  EXPECT_EQ(spinner.FrameCounter(), 0u);
  EXPECT_EQ(PaintOf(spinner.Handle()).pixels, first.pixels) << "each start begins with the first frame";
}

TEST_F(PictureControlsTest, ASpinnerWithoutItsPicturePaintsWhiteWhileRunning) {
  CSpinnerControl spinner(9999);
  ASSERT_TRUE(spinner.Attach(dialog.Handle(), IDC_TEST_SPINNER));
  EXPECT_EQ(spinner.FrameCount(), 0);
  spinner.Start();
  for (int tick = 0; tick < 3; ++tick) SendMessageW(spinner.Handle(), WM_TIMER, CSpinnerControl::kTimerId, 0);
  const ui_test::CPainted painted = PaintOf(spinner.Handle());
  EXPECT_TRUE(painted.Uniform(0, 0, painted.width, painted.height, 0xFFFFFF));
  spinner.Stop();
}

TEST_F(PictureControlsTest, PagePictureFillsItsControlOrLeavesItEmpty) {
  CResizedBitmapControl picture;
  ASSERT_TRUE(picture.Attach(dialog.Handle(), IDC_TEST_PAGE_PICTURE));
  EXPECT_TRUE(picture.HasPicture());
  EXPECT_NE(SendMessageW(picture.Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  CResizedBitmapControl missing(9999);
  ASSERT_TRUE(missing.Attach(dialog.Handle(), IDC_TEST_PAGE_PICTURE));
  EXPECT_FALSE(missing.HasPicture());
}

class CCountingInfo : public CInfoToolTip {
 public:
  void OnClicked() override { ++clicks; }
  int clicks = 0;
};

TEST_F(PictureControlsTest, InformationIconComesAndGoesWithItsText) {
  CCountingInfo info;
  ASSERT_TRUE(info.Attach(dialog.Handle(), IDC_TEST_INFO));
  EXPECT_FALSE(info.HasIcon());
  info.SetText(L"The PIN has at least six digits.");
  EXPECT_TRUE(info.HasIcon());
  ASSERT_NE(info.ToolTip(), nullptr);
  EXPECT_EQ(SendMessageW(info.ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 1);
  info.SetText(L"");
  EXPECT_FALSE(info.HasIcon());
  EXPECT_EQ(info.ToolTip(), nullptr);
  SendMessageW(info.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(info.clicks, 1);

  CInfoToolTip missing(9999);
  ASSERT_TRUE(missing.Attach(dialog.Handle(), IDC_TEST_INFO));
  missing.SetText(L"Still explained");
  EXPECT_FALSE(missing.HasIcon());
  EXPECT_NE(missing.ToolTip(), nullptr) << "without its picture the tooltip still speaks";
}

}  // namespace
}  // namespace luma::ui
