#include "ui/controls/tests/control_test_support.h"

#include <gtest/gtest.h>

namespace ui_test {
namespace {

INT_PTR CALLBACK TestDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// GDI+ for the whole test program, as the program's start-up provides it.
class CGdiPlusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override {
    if (token != 0) Gdiplus::GdiplusShutdown(token);
  }

 private:
  ULONG_PTR token = 0;
};

const auto* const kGdiPlus = ::testing::AddGlobalTestEnvironment(new CGdiPlusEnvironment);

}  // namespace

CTestDialog::CTestDialog(UINT templateId)
    : dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                &TestDialogProc, 0)) {}

CTestDialog::~CTestDialog() {
  if (dialog != nullptr) DestroyWindow(dialog);
  Pump();
}

bool CPainted::Uniform(int left, int top, int right, int bottom, std::uint32_t rgb) const {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (At(x, y) != rgb) return false;
    }
  }
  return true;
}

CPainted PaintOf(HWND control) {
  CPainted painted;
  RECT client = {};
  GetClientRect(control, &client);
  painted.width = client.right;
  painted.height = client.bottom;
  if (painted.width <= 0 || painted.height <= 0) return painted;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = painted.width;
  info.bmiHeader.biHeight = -painted.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  painted.pixels.assign(pixels, pixels + static_cast<size_t>(painted.width) * painted.height);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return painted;
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace ui_test
