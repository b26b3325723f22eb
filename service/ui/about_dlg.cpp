#include "service/ui/about_dlg.h"

#include <shellapi.h>

#include <memory>

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "ui/controls/gdiplus_bitmap.h"
#include "service/ui/ui_resource_ids.h"
#include "ui/framework/app_window.h"

namespace luma {
namespace ui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLinkGrey = RGB(128, 128, 128);

std::wstring OwnProgramPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

}  // namespace

CAboutDlg::CAboutDlg(const std::wstring& logFilePath, const std::wstring& programPath)
    : CDialog(IDD_ABOUT, CAppWindow::ResourceModule()),
      whiteBrush(CreateSolidBrush(kWhite)),
      logFile(logFilePath),
      program(programPath) {
  openFile = [](const std::wstring& path) {
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
  };
}

std::wstring CAboutDlg::LogoPathFor(const std::wstring& programPath) {
  std::wstring path = programPath;
  for (size_t at = path.find(L".exe"); at != std::wstring::npos; at = path.find(L".exe", at + 4)) {
    path.replace(at, 4, L".png");
  }
  return path;
}

bool CAboutDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
      result = reinterpret_cast<INT_PTR>(OnCtlColor(reinterpret_cast<HDC>(wParam), m_hWnd, CTLCOLOR_DLG));
      return true;
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<INT_PTR>(
          OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), CTLCOLOR_STATIC));
      return true;
    case WM_ERASEBKGND: {
      RECT client = {};
      GetClientRect(m_hWnd, &client);
      HDC dc = reinterpret_cast<HDC>(wParam);
      CSelectObject brush(dc, whiteBrush.get());
      result = PatBlt(dc, 0, 0, client.right, client.bottom, PATCOPY);
      return true;
    }
    default:
      return CDialog::DialogProc(message, wParam, lParam, result);
  }
}

bool CAboutDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_ABOUT_LOG_LINK && code == STN_CLICKED) {
    if (!logFile.empty()) openFile(logFile);
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

HBRUSH CAboutDlg::OnCtlColor(HDC dc, HWND control, UINT kind) {
  if (kind == CTLCOLOR_STATIC) {
    SetBkColor(dc, kWhite);
    SetTextColor(dc, GetDlgCtrlID(control) == IDC_ABOUT_LOG_LINK ? kLinkGrey : RGB(0, 0, 0));
  }
  return whiteBrush.get();
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::wstring caption = FormatResourceString(IDS_ABOUT_CAPTION);
  SetWindowTextW(m_hWnd, caption.c_str());
  if (program.empty()) program = OwnProgramPath();
  LoadLogo();

  std::wstring productName, productVersion, legalNotice;
  GetFileVersionStrings(program, productName, productVersion, legalNotice);
  const std::wstring version = productName + L", " + productVersion + L", " + legalNotice;
  SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, version.c_str());

  const DWORD attributes = logFile.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(logFile.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    HWND link = GetDlgItem(IDC_ABOUT_LOG_LINK);
    SetWindowTextW(link, L"");
    ShowWindow(link, SW_HIDE);
    logFile.clear();
  }
  return TRUE;
}

void CAboutDlg::LoadLogo() {
  CDebugLog::Log(LOG_DEBUG, L"Loading lumaPass logo");
  HWND control = GetDlgItem(IDC_ABOUT_LOGO);
  RECT area = {};
  GetClientRect(control, &area);

  std::unique_ptr<Gdiplus::Bitmap> fromFile(Gdiplus::Bitmap::FromFile(LogoPathFor(program).c_str()));
  CGdiPlusBitmapResource fromResource;
  Gdiplus::Bitmap* picture = nullptr;
  if (fromFile && fromFile->GetLastStatus() == Gdiplus::Ok) {
    picture = fromFile.get();
  } else if (fromResource.Load(MAKEINTRESOURCEW(IDB_ABOUT_LOGO), L"PNG", CAppWindow::ResourceModule())) {
    picture = fromResource.Get();
  }
  if (picture == nullptr) return;
  std::unique_ptr<Gdiplus::Bitmap> fitted = FitBitmapToRect(*picture, area, 0, -1, true);
  HBITMAP bitmap = nullptr;
  if (!fitted || fitted->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &bitmap) != Gdiplus::Ok) return;
  logo.reset(bitmap);
  SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo.get()));
}

}  // namespace ui
}  // namespace luma
