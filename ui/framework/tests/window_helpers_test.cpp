#include "ui/framework/window_helpers.h"

#include <gtest/gtest.h>

#include "ui/framework/gdi_objects.h"

namespace luma::ui {
namespace {

CWindowHandle MakeWindow(int width, int height) {
  return CWindowHandle(CreateWindowExW(0, L"STATIC", L"helper test", WS_POPUP | WS_VISIBLE, 5, 7, width,
                                       height, nullptr, nullptr, nullptr, nullptr));
}

TEST(WindowHelpersTest, CentresOnTheScreenAndPlacesBesideTheTaskbar) {
  CWindowHandle window = MakeWindow(300, 200);
  ASSERT_TRUE(window);
  CenterWindowOnScreen(window.get());
  RECT bounds = {}, desktop = {};
  GetWindowRect(window.get(), &bounds);
  GetWindowRect(GetDesktopWindow(), &desktop);
  const CPointI expected = CenteredPosition({0, 0, 300, 200}, ToRectI(desktop), GetSystemMetrics(SM_CXSCREEN),
                                            GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(bounds.left, expected.x);
  EXPECT_EQ(bounds.top, expected.y);
  EXPECT_EQ(bounds.right - bounds.left, 300) << "the size stays";

  RECT taskbar = {};
  const int edge = GetTaskbarEdge(&taskbar);
  const bool moved = MoveWindowNearTaskbar(window.get(), 8);
  RECT after = {};
  GetWindowRect(window.get(), &after);
  if (edge == kEdgeUnknown) {
    // No shell to ask (Wine without a desktop shell): the window stays where it was.
    EXPECT_FALSE(moved);
    EXPECT_EQ(after.left, bounds.left);
    EXPECT_EQ(after.top, bounds.top);
  } else {
    CPointI corner;
    ASSERT_TRUE(PositionNearTaskbar(edge, ToRectI(taskbar), 300, 200, 8, corner));
    EXPECT_TRUE(moved);
    EXPECT_EQ(after.left, corner.x);
    EXPECT_EQ(after.top, corner.y);
  }
}

TEST(WindowHelpersTest, ForegroundHelpersRefuseNonWindowsAndNeedNoAttachmentOnTheirOwnThread) {
  EXPECT_FALSE(BringWindowToForeground(nullptr));
  EXPECT_FALSE(ForceForegroundWindow(nullptr));
  CWindowHandle first = MakeWindow(100, 100);
  CWindowHandle second = MakeWindow(100, 100);
  ASSERT_TRUE(first && second);
  SetForegroundWindow(first.get());
  if (GetForegroundWindow() != first.get()) GTEST_SKIP() << "this display gives no foreground window";
  EXPECT_TRUE(BringWindowToForeground(first.get())) << "already in front";
  EXPECT_TRUE(ForceForegroundWindow(first.get())) << "already in front";
  // The foreground window belongs to this thread: no input queue to join, so the result is false
  // even though the window comes to the front.
  EXPECT_FALSE(ForceForegroundWindow(second.get()));
  EXPECT_EQ(GetForegroundWindow(), second.get());
}

}  // namespace
}  // namespace luma::ui
