// Shared pieces of the control tests: GDI+ for the process, modeless test dialogs and the pixels a
// control paints.
#ifndef LUMA_UI_CONTROLS_TESTS_CONTROL_TEST_SUPPORT_H_
#define LUMA_UI_CONTROLS_TESTS_CONTROL_TEST_SUPPORT_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdint>
#include <string>
#include <vector>

namespace ui_test {

// A modeless dialog of the test templates, destroyed with the object.
class CTestDialog {
 public:
  explicit CTestDialog(UINT templateId);
  ~CTestDialog();
  CTestDialog(const CTestDialog&) = delete;
  CTestDialog& operator=(const CTestDialog&) = delete;
  HWND Handle() const { return dialog; }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }

 private:
  HWND dialog;
};

// What the control paints (WM_PRINTCLIENT) as 0xAARRGGBB pixels, row by row.
struct CPainted {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu; }
  bool Uniform(int left, int top, int right, int bottom, std::uint32_t rgb) const;
};
CPainted PaintOf(HWND control);

void Pump();

}  // namespace ui_test

#endif  // LUMA_UI_CONTROLS_TESTS_CONTROL_TEST_SUPPORT_H_
