// The popup window a browser login runs in: placed over the page that opened it, the browser control
// over its whole client area, a thin progress bar along its bottom edge when the handler wants one,
// the busy cursor while the browser works, and the keys of its thread offered to the browser's
// accelerators first (under whatever message loop runs, a property sheet's included). Any timer
// closes it (the handler's auto-close after an error page). Closing tears the browser down before
// the window goes, so the handler always hears of it while the frame still exists, once, and also
// when no browser could be made here.
#ifndef LUMA_UI_BROWSER_BROWSER_FRAME_WND_H_
#define LUMA_UI_BROWSER_BROWSER_FRAME_WND_H_

#include <windows.h>

#include <memory>
#include <string>

#include "ui/browser/web_browser_control.h"
#include "ui/browser/web_dispatch_handler.h"
#include "ui/core/browser_frame_geometry.h"
#include "ui/framework/app_window.h"
#include "ui/framework/gdi_objects.h"

namespace luma::ui {

class CBrowserFrameWnd : public CAppWindow {
 public:
  static constexpr int kProgressBarId = 1001;
  static constexpr UINT_PTR kAutoCloseTimerId = 1066;

  // Creates the window at once, hidden, over `owner` (null: centred on the screen).
  CBrowserFrameWnd(HWND owner, const std::wstring& title, std::shared_ptr<AWebformDispatchHandler> handler,
                   const CBrowserFrameSize& size);
  ~CBrowserFrameWnd() override;

  // The window's rectangle for an owner window and the system's dialog base units.
  static RECT PlacementFor(HWND owner, const CBrowserFrameSize& size);

  CWebBrowserControl* Control() const { return control.Get(); }
  HWND ProgressBar() const { return progressBar; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalDestroy() override;

 private:
  void OnCreate();
  void CreateProgressBar();
  bool PreTranslateMessage(MSG* message);
  void CloseBrowser();
  static LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam);

  HWND owner;
  std::shared_ptr<AWebformDispatchHandler> handler;
  Microsoft::WRL::ComPtr<CWebBrowserControl> control;
  HWND progressBar = nullptr;
  CBrowserFrameSize size;
  CIconHandle smallIcon;
  CIconHandle largeIcon;
  HHOOK keyHook = nullptr;
  CBrowserFrameWnd* previousFrame = nullptr;
  bool closedWithoutBrowser = false;
};

}  // namespace luma::ui

#endif  // LUMA_UI_BROWSER_BROWSER_FRAME_WND_H_
