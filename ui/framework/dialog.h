// Dialogs from the program's .rc templates. The object rides in the dialog's own data from
// WM_INITDIALOG on, so a dialog shown on any thread (a request worker's too) finds its object without
// a table; no exception leaves the dialog procedure.
#ifndef LUMA_UI_FRAMEWORK_DIALOG_H_
#define LUMA_UI_FRAMEWORK_DIALOG_H_

#include <windows.h>

#include "ui/framework/window.h"

namespace luma {
namespace ui {

class CDialog : public CWnd {
 public:
  // The template's id in `module` (null: the program file).
  explicit CDialog(UINT templateId, HINSTANCE module = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; its EndDialog result, or -1 when it could not be made (a template that
  // is missing or malformed).
  virtual INT_PTR DoModal(HWND parent = nullptr);
  // Creates it modeless; false when it could not be made. The caller destroys it (DestroyWindow).
  bool Create(HWND parent = nullptr);
  void DestroyWindow();
  // Ends a modal run with `result`.
  void EndDialog(INT_PTR result);

  UINT TemplateId() const { return templateId; }

 protected:
  // Binds the controls of the template to their members (CControl::Bind); called first by
  // OnInitDialog.
  virtual void DoDataExchange() {}
  // TRUE: the system sets the focus to the first control.
  virtual BOOL OnInitDialog();
  // A command from a control or a key; true when handled.
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // The message switch: true when the message was handled, with its result in `result` (for messages
  // whose answer goes to DWLP_MSGRESULT, the caller puts it there).
  virtual bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // Called after WM_NCDESTROY, when the handle is no longer valid.
  virtual void OnFinalDestroy() {}

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId;
  HINSTANCE module;
  bool modal = false;
};

// What a dialog procedure returns for a message its object handled (or not) with `result`: the
// result itself for the messages answered that way, else TRUE with the result in DWLP_MSGRESULT.
INT_PTR DialogProcAnswer(HWND dialog, UINT message, bool handled, INT_PTR result);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_DIALOG_H_
