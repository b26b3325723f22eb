#include "service/ui/about_dlg.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/win/tests/test_temp_dir.h"
#include "service/ui/tests/ui_test_support.h"
#include "service/ui/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

std::function<bool()> g_whileShown;

void CALLBACK WhileShownTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_whileShown()) KillTimer(nullptr, id);
}

// Runs check once the dialog is on screen, then closes it.
INT_PTR RunShown(CAboutDlg& dialog, std::function<void(HWND)> check) {
  g_whileShown = [&dialog, check] {
    HWND window = dialog.GetSafeHwnd();
    if (window == nullptr || !IsWindowVisible(window)) return false;  // shown once its loop is idle
    UpdateWindow(window);
    check(window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return true;
  };
  SetTimer(nullptr, 0, 200, &WhileShownTimer);
  return dialog.DoModal();
}

std::wstring Text(HWND window, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(window, id, text, 512);
  return text;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  const COLORREF colour = GetPixel(dc, x, y);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return colour;
}

class AboutDlgTest : public ::testing::Test {
 protected:
  ui_test::CGdiPlusSession gdiplus;
  CTestTempDir dir;
};

TEST_F(AboutDlgTest, ShowsCaptionVersionLineAndBuiltInLogo) {
  CAboutDlg dialog(L"");
  std::wstring caption, version;
  HBITMAP logo = nullptr;
  bool linkVisible = true;
  const INT_PTR result = RunShown(dialog, [&](HWND window) {
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    caption = text;
    version = Text(window, IDC_ABOUT_VERSION);
    logo =
        reinterpret_cast<HBITMAP>(SendDlgItemMessageW(window, IDC_ABOUT_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0));
    linkVisible = IsWindowVisible(GetDlgItem(window, IDC_ABOUT_LOG_LINK));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(caption, L"About luma-Pass V");
  EXPECT_EQ(version, L"lumaPassV Test, 2.5.0.0, Copyright test makers");
  EXPECT_NE(logo, nullptr);
  EXPECT_TRUE(dialog.HasLogo());
  EXPECT_FALSE(linkVisible) << "no log file: no link";
  EXPECT_TRUE(dialog.LogFilePath().empty());
}

// The About box as a person sees it in front: the whole window, framed, with its log link.
TEST_F(AboutDlgTest, Picture) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no display: pictures are taken under Xvfb";
  const std::wstring log = dir.path() + L"\\lumaPassV.log";
  HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  CAboutDlg dialog(log);
  bool saved = false;
  RunShown(dialog, [&](HWND window) {
    // No window manager runs under Xvfb to make the dialog active; draw its caption as it is in front.
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    saved = ui_test::SaveWindowPicture(window, L"about_dialog.png");
  });
  EXPECT_TRUE(saved) << "no picture of the About box";
}

TEST_F(AboutDlgTest, ExistingLogFileShowsTheLinkThatOpensIt) {
  const std::wstring log = dir.path() + L"\\lumaPassV.log";
  HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  CAboutDlg dialog(log);
  std::vector<std::wstring> opened;
  dialog.openFile = [&opened](const std::wstring& path) { opened.push_back(path); };
  bool linkVisible = false;
  std::wstring linkText;
  RunShown(dialog, [&](HWND window) {
    linkVisible = IsWindowVisible(GetDlgItem(window, IDC_ABOUT_LOG_LINK));
    linkText = Text(window, IDC_ABOUT_LOG_LINK);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LOG_LINK, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_ABOUT_LOG_LINK)));
  });
  EXPECT_TRUE(linkVisible);
  EXPECT_EQ(linkText, L"log");
  EXPECT_EQ(opened, std::vector<std::wstring>{log});
}

TEST_F(AboutDlgTest, MissingLogFileOrFolderHidesTheLink) {
  for (const std::wstring& path : {dir.path() + L"\\not-yet.log", dir.path()}) {
    CAboutDlg dialog(path);
    std::vector<std::wstring> opened;
    dialog.openFile = [&opened](const std::wstring& file) { opened.push_back(file); };
    bool linkVisible = true;
    RunShown(dialog, [&](HWND window) {
      linkVisible = IsWindowVisible(GetDlgItem(window, IDC_ABOUT_LOG_LINK));
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LOG_LINK, STN_CLICKED), 0);
    });
    EXPECT_FALSE(linkVisible);
    EXPECT_TRUE(dialog.LogFilePath().empty());
    EXPECT_TRUE(opened.empty());
  }
}

TEST_F(AboutDlgTest, LogoFileNameReplacesEveryExe) {
  EXPECT_EQ(CAboutDlg::LogoPathFor(L"C:\\tools.exe\\lumaPassV.exe"), L"C:\\tools.png\\lumaPassV.png");
  EXPECT_EQ(CAboutDlg::LogoPathFor(L"C:\\Program\\lumaPassV.EXE"), L"C:\\Program\\lumaPassV.EXE")
      << "the replacement is case-sensitive";
}

// A picture beside the program replaces the built-in logo, scaled to the control and at its top.
TEST_F(AboutDlgTest, PictureBesideTheProgramReplacesTheBuiltInLogo) {
  const std::wstring folder = dir.path() + L"\\portable.exe";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring picture = dir.path() + L"\\portable.png";
  ASSERT_TRUE(CreateDirectoryW(picture.c_str(), nullptr));
  {
    // A wide red picture: scaled to the control's width it fills only its top part.
    Gdiplus::Bitmap red(200, 20, PixelFormat24bppRGB);
    Gdiplus::Graphics(&red).Clear(Gdiplus::Color(255, 255, 0, 0));
    CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    ASSERT_EQ(red.Save((picture + L"\\lumaPassV.png").c_str(), &png, nullptr), Gdiplus::Ok);
  }
  CAboutDlg dialog(L"", folder + L"\\lumaPassV.exe");
  COLORREF top = 0, bottom = 0;
  RunShown(dialog, [&](HWND window) {
    HWND logo = GetDlgItem(window, IDC_ABOUT_LOGO);
    auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    top = PixelOf(bitmap, info.bmWidth / 2, 2);
    bottom = PixelOf(bitmap, info.bmWidth / 2, info.bmHeight - 2);
  });
  EXPECT_EQ(top, RGB(255, 0, 0));
  EXPECT_EQ(bottom, RGB(255, 255, 255)) << "aligned to the top over white";
}

}  // namespace
}  // namespace ui
}  // namespace luma
