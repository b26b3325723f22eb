// A small driver for the window tests: the test thread runs the dialog modally while a script on a
// driver thread finds windows by caption and controls by id, clicks and types the way the keyboard
// and mouse would (posted messages that pass through the dialog's own modal loop), and reads state
// on the dialog's thread.
#ifndef LUMA_UI_TESTING_DIALOG_DRIVER_H_
#define LUMA_UI_TESTING_DIALOG_DRIVER_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "ui/framework/app_window.h"

namespace ui_test {

class CDialogDriver {
 public:
  // Call on the thread that will show the dialogs, before the script starts.
  CDialogDriver();
  ~CDialogDriver();

  // Runs `script` on the driver thread; Join waits for it, handling this thread's messages meanwhile.
  void Start(std::function<void(CDialogDriver&)> script);
  void Join();

  // A visible top-level window of this process with the caption, waited for up to `timeoutMs`; null
  // when none came.
  HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs = 10000) const;
  // Waits until `condition` (checked on the dialog thread) holds; false on time-out.
  bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
  // The control `id` below `window` at any depth (a sheet's page controls included).
  static HWND Control(HWND window, int id);

  // Runs `action` on the dialog thread and waits for it (focus, key state and objects live there).
  void OnDialogThread(const std::function<void()>& action);
  void Click(HWND button) const;
  void Type(HWND control, const std::wstring& text) const;
  // A key press (down and up) aimed at `control`; with Shift held when `shift`.
  void Key(HWND control, UINT virtualKey, bool shift = false);
  HWND Focus();
  std::wstring Text(HWND window) const;
  // Presses Cancel of every window this process shows.
  void CancelOpenWindows() const;
  // Waits until the dialog thread has handled what was posted to it so far, and what that posted in
  // turn (a few rounds).
  void Settle() const;

 private:
  class CInvoker : public luma::ui::CAppWindow {
   protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  };

  CInvoker invoker;
  HANDLE finished;
  std::thread thread;
};

}  // namespace ui_test

#endif  // LUMA_UI_TESTING_DIALOG_DRIVER_H_
