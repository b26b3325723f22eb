#include "ui/testing/dialog_driver.h"

#include <gtest/gtest.h>

#include "ui/framework/window.h"

namespace ui_test {
namespace {

constexpr UINT kInvokeMessage = WM_APP + 77;
constexpr UINT kMarkerMessage = WM_APP + 78;

struct WindowSearch {
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  if (luma::ui::WindowText(window) != *search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CancelWindow(HWND window, LPARAM invokerWindow) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      window != reinterpret_cast<HWND>(invokerWindow)) {
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<ControlSearch*>(parameter);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

CDialogDriver::CDialogDriver() : finished(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
  invoker.Create(L"dialog driver", WS_POPUP);
}

CDialogDriver::~CDialogDriver() {
  Join();
  CloseHandle(finished);
}

void CDialogDriver::Start(std::function<void(CDialogDriver&)> script) {
  ResetEvent(finished);
  thread = std::thread([this, script] {
    try {
      script(*this);
    } catch (...) {
      ADD_FAILURE() << "the driver's script threw";
    }
    // A script that failed half-way leaves its dialog open: cancel what is still shown, so that the
    // test ends with its failure instead of waiting for ever.
    if (::testing::Test::HasFailure()) CancelOpenWindows();
    SetEvent(finished);
  });
}

void CDialogDriver::Join() {
  if (!thread.joinable()) return;
  // The script may still wait for this thread to handle what it posted.
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (MsgWaitForMultipleObjectsEx(1, &finished, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
        WAIT_OBJECT_0) {
      break;
    }
  }
  thread.join();
}

void CDialogDriver::CancelOpenWindows() const {
  EnumWindows(&CancelWindow, reinterpret_cast<LPARAM>(invoker.Handle()));
}

HWND CDialogDriver::WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const {
  const DWORD start = GetTickCount();
  for (;;) {
    WindowSearch search = {&caption, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      Sleep(100);  // let it finish its initialisation
      return search.found;
    }
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(20);
  }
}

bool CDialogDriver::WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    bool holds = false;
    OnDialogThread([&] { holds = condition(); });
    if (holds) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

HWND CDialogDriver::Control(HWND window, int id) {
  ControlSearch search = {id, nullptr};
  if (window != nullptr) EnumChildWindows(window, &MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT CDialogDriver::CInvoker::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kInvokeMessage) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  if (message == kMarkerMessage) {
    SetEvent(reinterpret_cast<HANDLE>(lParam));
    return 0;
  }
  return CAppWindow::WindowProc(message, wParam, lParam);
}

void CDialogDriver::OnDialogThread(const std::function<void()>& action) {
  SendMessageW(invoker.Handle(), kInvokeMessage, 0, reinterpret_cast<LPARAM>(&action));
}

void CDialogDriver::Click(HWND button) const { PostMessageW(button, BM_CLICK, 0, 0); }

void CDialogDriver::Type(HWND control, const std::wstring& text) const {
  for (wchar_t character : text) PostMessageW(control, WM_CHAR, character, 1);
  Settle();
}

void CDialogDriver::Key(HWND control, UINT virtualKey, bool shift) {
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  if (shift) {
    OnDialogThread([] {
      BYTE keys[256] = {};
      GetKeyboardState(keys);
      keys[VK_SHIFT] = 0x80;
      SetKeyboardState(keys);
    });
  }
  PostMessageW(control, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  PostMessageW(control, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
  Settle();
  if (shift) {
    OnDialogThread([] {
      BYTE keys[256] = {};
      GetKeyboardState(keys);
      keys[VK_SHIFT] = 0;
      SetKeyboardState(keys);
    });
  }
}

HWND CDialogDriver::Focus() {
  HWND focus = nullptr;
  OnDialogThread([&focus] { focus = GetFocus(); });
  return focus;
}

void CDialogDriver::Settle() const {
  HANDLE reached = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  for (int round = 0; round < 3; ++round) {
    PostMessageW(invoker.Handle(), kMarkerMessage, 0, reinterpret_cast<LPARAM>(reached));
    WaitForSingleObject(reached, 10000);
  }
  CloseHandle(reached);
}

std::wstring CDialogDriver::Text(HWND window) const { return luma::ui::WindowText(window); }

}  // namespace ui_test
