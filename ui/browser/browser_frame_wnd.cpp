#include "ui/browser/browser_frame_wnd.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
// clang-format on

#include "ui/framework/base_property_sheet.h"

namespace luma::ui {
namespace {

// The frame whose browser sees this thread's keys first; frames on one thread nest.
thread_local CBrowserFrameWnd* activeFrame = nullptr;

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kProgressStyle = 0x20;

}  // namespace

RECT CBrowserFrameWnd::PlacementFor(HWND ownerWindow, const CBrowserFrameSize& frameSize) {
  const LONG units = GetDialogBaseUnits();
  CRectI ownerRect;
  RECT windowRect = {};
  const bool haveOwner = ownerWindow != nullptr && GetWindowRect(ownerWindow, &windowRect);
  if (haveOwner) ownerRect = CRectI{windowRect.left, windowRect.top, windowRect.right, windowRect.bottom};
  const CRectI placed =
      BrowserFrameRect(frameSize, LOWORD(units), HIWORD(units), haveOwner ? &ownerRect : nullptr,
                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  return RECT{placed.left, placed.top, placed.right, placed.bottom};
}

CBrowserFrameWnd::CBrowserFrameWnd(HWND ownerWindow, const std::wstring& title,
                                   std::shared_ptr<AWebformDispatchHandler> dispatchHandler,
                                   const CBrowserFrameSize& frameSize)
    : owner(ownerWindow), handler(std::move(dispatchHandler)), size(frameSize) {
  previousFrame = activeFrame;
  activeFrame = this;
  keyHook = SetWindowsHookExW(WH_GETMESSAGE, &CBrowserFrameWnd::KeyHook, nullptr, GetCurrentThreadId());
  Create(title.c_str(), kFrameStyle, 0, owner, PlacementFor(owner, size));
}

CBrowserFrameWnd::~CBrowserFrameWnd() {
  // The window first: its browser's teardown still reaches this object's members.
  Destroy();
  OnFinalDestroy();
  control.Reset();
}

void CBrowserFrameWnd::OnFinalDestroy() {
  if (keyHook != nullptr) UnhookWindowsHookEx(keyHook);
  keyHook = nullptr;
  if (activeFrame == this) activeFrame = previousFrame;
  progressBar = nullptr;
}

void CBrowserFrameWnd::OnCreate() {
  smallIcon.reset(LoadIconAtMetric(1, true));
  largeIcon.reset(LoadIconAtMetric(1, false));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.get()));
  control = CWebBrowserControl::Make(handler);
  if (control) control->Create(m_hWnd, ResourceModule());
  if (handler && handler->EnableProgressBar()) CreateProgressBar();
}

void CBrowserFrameWnd::CreateProgressBar() {
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  const int top = client.bottom - HIWORD(GetDialogBaseUnits()) / 2;
  progressBar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | kProgressStyle, client.left + 1, top,
                                (client.right - 1) - (client.left + 1), (client.bottom - 1) - top, m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarId)),
                                ResourceModule(), nullptr);
  if (progressBar == nullptr) return;
  SetWindowTheme(progressBar, L"", L"");
  SendMessageW(progressBar, PBM_SETBARCOLOR, 0, RGB(0xC0, 0xC0, 0xC0));
  SendMessageW(progressBar, PBM_SETBKCOLOR, 0, RGB(0xFF, 0xFF, 0xFF));
  SendMessageW(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  // Over the browser, which is created first.
  SetWindowPos(progressBar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  handler->progressWindow = progressBar;
}

void CBrowserFrameWnd::CloseBrowser() {
  if (control && control->HasBrowser()) {
    control->Close();
    return;
  }
  // No browser could be made (or it has gone): the handler is told once all the same, so that the
  // page that waits for the login does not wait for ever.
  if (!closedWithoutBrowser && handler && (!control || !control->WasClosed())) handler->OnBrowserClosed();
  closedWithoutBrowser = true;
}

bool CBrowserFrameWnd::PreTranslateMessage(MSG* message) {
  if (!control || message == nullptr || m_hWnd == nullptr) return false;
  if (message->hwnd != m_hWnd && !IsChild(m_hWnd, message->hwnd)) return false;
  return control->PreTranslateMessage(message);
}

LRESULT CALLBACK CBrowserFrameWnd::KeyHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && activeFrame != nullptr) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (message != nullptr && message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST) {
      try {
        if (activeFrame->PreTranslateMessage(message)) message->message = WM_NULL;  // the browser used it
      } catch (...) {
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CBrowserFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      if (control && control->Window() != nullptr) {
        MoveWindow(control->Window(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_SETCURSOR:
      if (control && control->IsBusy()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_TIMER:
      KillTimer(m_hWnd, wParam);
      PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE:
      // The browser goes first, so its handler hears of it while this window still exists.
      CloseBrowser();
      DestroyWindow(m_hWnd);
      return 0;
    case WM_DESTROY:
      // With a browser, its own window's destruction closes it; without one the handler still hears.
      if (!control || !control->HasBrowser()) CloseBrowser();
      break;
    default:
      break;
  }
  return CAppWindow::WindowProc(message, wParam, lParam);
}

}  // namespace luma::ui
