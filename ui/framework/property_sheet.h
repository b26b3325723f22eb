// comctl32 property sheets and their pages as objects. The sheet's and the pages' notifications
// reach virtual operations named as the dialogs use them (OnInitDialog, OnSetActive, OnKillActive,
// OnApply, OnCancel, OnQueryCancel, OnWizardBack, OnWizardNext, OnWizardFinish), so a page is written
// as a class, not as a dialog procedure.
//
// The sheet runs modeless inside a modal loop of its own on the calling thread (the main thread, or a
// request worker's): its owner is disabled meanwhile, keys for the sheet go through the sheet's dialog
// manager, and keys for any other dialog of the thread (a popup a page opened) through that dialog's,
// so a popup inside a sheet sees its own Tab, Enter and Esc. The loop ends when the sheet's buttons
// close it or when EndDialog is called, and gives back IDOK, IDCANCEL, Finish's id or the EndDialog
// result; -1 when the sheet could not be made (a page's template is missing or malformed).
//
// Objects ride in the windows' own data: a page's in its PROPSHEETPAGE parameter and dialog data, the
// sheet's in its window subclass; only while PropertySheetW creates the sheet does a thread-local
// pointer say which object it belongs to. No exception leaves a sheet or page procedure.
#ifndef LUMA_UI_FRAMEWORK_PROPERTY_SHEET_H_
#define LUMA_UI_FRAMEWORK_PROPERTY_SHEET_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "ui/framework/window.h"

namespace luma {
namespace ui {

// Control ids of the sheet's wizard buttons and divider line.
constexpr int kWizardBackId = 0x3023;
constexpr int kWizardNextId = 0x3024;
constexpr int kWizardFinishId = 0x3025;
constexpr int kWizardDividerId = 0x3026;

class CPropertySheet;

class CPropertyPage : public CWnd {
 public:
  // The page's template and, when not 0, the string id of its title, both in `module` (null: the
  // program file).
  explicit CPropertyPage(UINT templateId, UINT titleId = 0, HINSTANCE module = nullptr);
  ~CPropertyPage() override;

  // The page header the sheet creates the page from; flags may be changed before DoModal.
  PROPSHEETPAGEW m_psp;

  UINT PageTemplateId() const { return pageTemplateId; }
  // The sheet the page was added to; null before.
  CPropertySheet* GetSheet() const { return sheet; }
  // Marks the page changed (PSM_CHANGED) or unchanged (PSM_UNCHANGED).
  void SetModified(BOOL changed = TRUE);

 protected:
  friend class CPropertySheet;

  // Binds the template's controls to their members; called first by OnInitDialog.
  virtual void DoDataExchange() {}
  virtual BOOL OnInitDialog();
  // FALSE refuses the activation.
  virtual BOOL OnSetActive() { return TRUE; }
  // FALSE keeps the page active.
  virtual BOOL OnKillActive() { return TRUE; }
  // OK or Apply: TRUE lets the sheet close (or apply), FALSE keeps it open on this page.
  virtual BOOL OnApply();
  virtual void OnOK() {}
  // The sheet is being cancelled.
  virtual void OnCancel() {}
  // FALSE keeps the sheet open when Cancel is pressed.
  virtual BOOL OnQueryCancel() { return TRUE; }
  // 0: the previous / next page; -1: stay; else the template id of the page to go to.
  virtual LRESULT OnWizardBack() { return 0; }
  virtual LRESULT OnWizardNext() { return 0; }
  // FALSE keeps the wizard open.
  virtual BOOL OnWizardFinish() { return TRUE; }
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  // The message switch: true when handled, with the answer in `result`.
  virtual bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK StaticPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnNotify(const NMHDR& header, LPARAM lParam, INT_PTR& result);

  UINT pageTemplateId;
  CPropertySheet* sheet = nullptr;
  std::wstring title;
};

class CPropertySheet : public CWnd {
 public:
  CPropertySheet(UINT captionId, HWND parent, UINT startPage = 0);
  ~CPropertySheet() override;

  // The sheet header; flags (PSH_WIZARD ...) and the owner may be changed before DoModal.
  PROPSHEETHEADERW m_psh;

  // Pages in order; the sheet keeps a shared page alive, a plain one must outlive the sheet.
  void AddPage(CPropertyPage* page);
  void AddPage(std::shared_ptr<CPropertyPage> page);
  int GetPageCount() const { return static_cast<int>(pages.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  // The active page's index, -1 without a window.
  int GetActiveIndex() const;
  CPropertyPage* GetActivePage() const;
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
  UINT CaptionId() const { return captionId; }

  virtual INT_PTR DoModal();
  // Ends the modal loop with `result`; the sheet is destroyed when the loop returns.
  void EndDialog(int result);
  virtual BOOL DestroyWindow();

 protected:
  friend class CPropertyPage;

  // Once the sheet has its window, before OnInitDialog: style changes.
  virtual void PreSubclassWindow() {}
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  // The message switch of the sheet window; the default is comctl32's handling.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  // Whether a message from the loop was a dialog key of the sheet or of another dialog of the thread.
  virtual bool PreTranslateMessage(MSG& message);

 private:
  static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);
  static LRESULT CALLBACK SheetSubclassProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR object);
  void Attached(HWND sheet);
  INT_PTR RunModalLoop();
  bool Finished() const;

  UINT captionId;
  std::wstring caption;
  std::vector<CPropertyPage*> pages;
  std::vector<std::shared_ptr<CPropertyPage>> keptPages;
  bool endRequested = false;
  bool cancelled = false;
  int endResult = IDCANCEL;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_PROPERTY_SHEET_H_
