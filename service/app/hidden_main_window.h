// The program's hidden main window until the main frame with its icon takes its place: it carries
// the title by which a second instance finds the running one, ends the message loop when it is
// closed (WM_CLOSE from a second instance, end of the session) and receives the protocol URL
// (WM_COPYDATA) and the command that opens the account list.
#ifndef LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_
#define LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "service/app/app_window.h"

namespace luma::app {

// The title a second instance looks for.
constexpr wchar_t kMainWindowTitle[] = L"luma-Pass V {f86c020d-6022-4302-b55a-49f2b2def3b1}";
// The command that opens the account list.
constexpr WPARAM kOpenAccountListCommand = 32772;
// The longest protocol URL taken from WM_COPYDATA, in characters.
constexpr std::size_t kMaxProtocolUrlLength = 32767;

// The text of a WM_COPYDATA block: UTF-16 up to its terminating zero. False for a block that is
// missing, of odd size, longer than kMaxProtocolUrlLength characters or without a terminating zero.
bool ReadCopyDataText(const COPYDATASTRUCT* data, std::wstring& text);

class CHiddenMainWindow : public CAppWindow {
 public:
  std::function<void(const std::wstring& url)> onProtocolUrl;
  std::function<void()> onOpenAccountList;

  // Creates the window with the main title and the overlapped style, hidden.
  bool CreateHidden();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_HIDDEN_MAIN_WINDOW_H_
