#include "service/ui/tests/ui_test_support.h"

namespace ui_test {

CGdiPlusSession::CGdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

CGdiPlusSession::~CGdiPlusSession() {
  if (token != 0) Gdiplus::GdiplusShutdown(token);
}

}  // namespace ui_test
