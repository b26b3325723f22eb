#include "service/ui/tests/ui_test_support.h"

#include <memory>

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

}  // namespace

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

bool SaveScreenAreaScreenshot(const RECT& area, const std::wstring& fileName) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  bool saved = false;
  CLSID encoder;
  if (copied && PngEncoder(encoder)) {
    Gdiplus::Bitmap image(bitmap, nullptr);
    const std::wstring path = ArtifactDirectory() + L"\\" + fileName;
    saved = image.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
  }
  DeleteObject(bitmap);
  return saved;
}

bool SaveWindowScreenshot(HWND window, const std::wstring& fileName) {
  RECT area = {};
  if (!GetWindowRect(window, &area)) return false;
  return SaveScreenAreaScreenshot(area, fileName);
}

CGdiPlusSession::CGdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

CGdiPlusSession::~CGdiPlusSession() {
  if (token != 0) Gdiplus::GdiplusShutdown(token);
}

}  // namespace ui_test
