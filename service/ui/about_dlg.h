// The modal About box: the logo (a PNG named like the program beside it, else the built-in one), the
// product name, version and legal notice of the program file, and a "log" link that opens the debug
// log with the program registered for its type.
#ifndef LUMA_SERVICE_UI_ABOUT_DLG_H_
#define LUMA_SERVICE_UI_ABOUT_DLG_H_

#include <windows.h>

#include <functional>
#include <string>

#include "ui/framework/dialog.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

class CAboutDlg : public CDialog {
 public:
  // programPath: the program file whose picture and version are shown; empty for this process's.
  explicit CAboutDlg(const std::wstring& logFilePath, const std::wstring& programPath = std::wstring());
  // Empty once the dialog found no log file to offer.
  const std::wstring& LogFilePath() const { return logFile; }
  // True when a logo picture was set.
  bool HasLogo() const { return static_cast<bool>(logo); }

  // Opens the log file; ShellExecuteW unless a test puts something else here.
  std::function<void(const std::wstring& path)> openFile;

  // The picture file beside a program: every ".exe" of its path replaced by ".png".
  static std::wstring LogoPathFor(const std::wstring& programPath);

 private:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void LoadLogo();
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

  CBitmapHandle logo;
  CBrushHandle whiteBrush;
  std::wstring logFile;
  std::wstring program;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ABOUT_DLG_H_
