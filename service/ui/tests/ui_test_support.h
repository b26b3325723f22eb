// Shared pieces of the window tests: a recording shell, a host that counts its calls, accounts with
// chosen dates and message pumping (pictures of windows: ui/testing/screenshot.h).
#ifndef LUMA_SERVICE_UI_TESTS_UI_TEST_SUPPORT_H_
#define LUMA_SERVICE_UI_TESTS_UI_TEST_SUPPORT_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <string>
#include <vector>

#include "policy/account/provider_context.h"
#include "service/ui/main_frame_host.h"
#include "service/ui/shell_notify.h"
#include "ui/testing/screenshot.h"

namespace ui_test {

struct ShellCall {
  DWORD message;
  NOTIFYICONDATAW data;
};

class CRecordingShell : public luma::ui::CShellNotify {
 public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override {
    calls.push_back({message, *data});
    if (message == NIM_ADD && failAdds > 0) {
      --failAdds;
      SetLastError(ERROR_TIMEOUT);
      return FALSE;
    }
    return TRUE;
  }
  std::vector<ShellCall> Of(DWORD message) const {
    std::vector<ShellCall> found;
    for (const ShellCall& call : calls) {
      if (call.message == message) found.push_back(call);
    }
    return found;
  }

  std::vector<ShellCall> calls;
  int failAdds = 0;
};

class CCountingHost : public luma::ui::CMainFrameHost {
 public:
  void OnAppAbout() override { ++about; }
  void SwitchToConsoleSession() override { ++console; }
  void SwitchToRemoteSession() override { ++remote; }
  int about = 0, console = 0, remote = 0;
};

struct OwnWindowSearch {
  const wchar_t* title;
  HWND found;
};

inline BOOL CALLBACK MatchOwnWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<OwnWindowSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  if (process != GetCurrentProcessId() || std::wstring(text) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

// The top-level window of this process with the title (tests of other processes run beside it).
inline HWND FindOwnWindow(const wchar_t* title) {
  OwnWindowSearch search = {title, nullptr};
  EnumWindows(&MatchOwnWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Dispatches what is queued for this thread.
inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// A time `days` days (and half a day more, so that rounding cannot move it) from now.
inline FILETIME DaysFromNow(int days) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  const LONGLONG day = 864000000000LL;
  value.QuadPart = static_cast<ULONGLONG>(static_cast<LONGLONG>(value.QuadPart) + days * day + day / 2);
  FILETIME result;
  result.dwLowDateTime = value.LowPart;
  result.dwHighDateTime = value.HighPart;
  return result;
}

// An account whose certificates have no PIN change pending.
inline CPolicyPtr MakeAccount(const std::wstring& user, int daysToRefresh,
                              const std::vector<std::wstring>& names) {
  auto policy = std::make_shared<CPolicy>();
  policy->providerName = L"ACME";
  policy->accountKey = L"ACME/" + user;
  policy->userId = user;
  policy->userFriendlyName = user;
  GetSystemTimeAsFileTime(&policy->thisUpdate);
  policy->nextUpdate = DaysFromNow(daysToRefresh);
  for (const std::wstring& name : names) {
    auto certificate = std::make_shared<CCertificatePolicy>();
    certificate->accountKey = policy->accountKey;
    certificate->friendlyName = name;
    certificate->enabled = true;
    certificate->pinPolicy.nextPinChange = DaysFromNow(400);
    policy->certificatePolicies.push_back(certificate);
  }
  return policy;
}

inline CProviderContextPtr MakeProvider(const std::wstring& name, int authType = 1, bool interactive = true) {
  CProviderConfig config;
  config.name = name;
  config.authConfig = std::make_shared<CAuthConfig>(authType, interactive);
  return std::make_shared<CProviderContext>(config);
}

// GDI+ for the test process, as the program's start-up provides it.
class CGdiPlusSession {
 public:
  CGdiPlusSession();
  ~CGdiPlusSession();

 private:
  ULONG_PTR token = 0;
};

}  // namespace ui_test

#endif  // LUMA_SERVICE_UI_TESTS_UI_TEST_SUPPORT_H_
