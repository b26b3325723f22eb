#include "ui/testing/screenshot.h"

// windows.h first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <vector>

#include "ui/framework/gdi_objects.h"

namespace ui_test {
namespace {

bool PngEncoder(CLSID& encoder) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == L"image/png") {
      encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

bool SaveBitmap(HBITMAP bitmap, const std::wstring& fileName) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool saved = false;
  {
    CLSID encoder;
    if (PngEncoder(encoder)) {
      Gdiplus::Bitmap image(bitmap, nullptr);
      const std::wstring path = ArtifactDirectory() + L"\\" + fileName;
      saved = image.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    }
  }
  Gdiplus::GdiplusShutdown(token);
  return saved;
}

}  // namespace

bool HasDisplay() {
  wchar_t display[64] = {};
  const DWORD length = GetEnvironmentVariableW(L"DISPLAY", display, ARRAYSIZE(display));
  return length > 0 && length < ARRAYSIZE(display);
}

std::wstring ArtifactDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  std::wstring directory;
  const DWORD length = GetEnvironmentVariableW(L"LUMA_ARTIFACT_DIR", buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    directory = buffer;
  } else {
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    directory = buffer;
    directory = directory.substr(0, directory.find_last_of(L'\\'));  // bin
    directory = directory.substr(0, directory.find_last_of(L'\\')) + L"\\artifacts";
  }
  CreateDirectoryW(directory.c_str(), nullptr);
  directory += L"\\ui";
  CreateDirectoryW(directory.c_str(), nullptr);
  return directory;
}

bool SaveWindowPicture(HWND window, const std::wstring& fileName) {
  RECT bounds = {};
  if (!GetWindowRect(window, &bounds)) return false;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return false;
  // The window's own device context reads what the window drew, not what the screen shows over it.
  HDC source = GetWindowDC(window);
  if (source == nullptr) return false;
  luma::ui::CMemoryDcHandle memory(CreateCompatibleDC(source));
  luma::ui::CBitmapHandle bitmap(CreateCompatibleBitmap(source, width, height));
  BOOL copied = FALSE;
  if (memory && bitmap) {
    luma::ui::CSelectObject selected(memory.get(), bitmap.get());
    copied = BitBlt(memory.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  }
  ReleaseDC(window, source);
  return copied && SaveBitmap(bitmap.get(), fileName);
}

bool SaveScreenArea(const RECT& area, const std::wstring& fileName) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  luma::ui::CWindowDc screen(nullptr);
  luma::ui::CMemoryDcHandle memory(CreateCompatibleDC(screen.get()));
  luma::ui::CBitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) return false;
  BOOL copied = FALSE;
  {
    luma::ui::CSelectObject selected(memory.get(), bitmap.get());
    copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  }
  return copied && SaveBitmap(bitmap.get(), fileName);
}

}  // namespace ui_test
