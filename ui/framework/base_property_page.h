// The page every service dialog of lumaPassV is built from: white, in the sheet's scaled "Segoe UI"
// font, titled from the sheet's caption, and with a background worker behind its OK or Next action.
// OnApply starts the page's worker (GetApplyWorker) on its own thread and keeps the dialog open; the
// sheet shows busy until the result comes back to OnApplyWorkerComplete on the dialog's thread. A
// second OK while a worker runs is ignored; Cancel marks the run cancelled and its result is dropped
// unseen. A page never waits for its worker, and the worker never touches the page.
#ifndef LUMA_UI_FRAMEWORK_BASE_PROPERTY_PAGE_H_
#define LUMA_UI_FRAMEWORK_BASE_PROPERTY_PAGE_H_

#include <memory>
#include <string>

#include "ui/framework/apply_worker.h"
#include "ui/framework/base_property_sheet.h"

namespace luma {
namespace ui {

class CBasePropertyPage : public CPropertyPage {
 public:
  CBasePropertyPage(UINT templateId, UINT captionId);
  ~CBasePropertyPage() override;

  // The page's title: set by a subclass, else loaded once from the sheet's caption id.
  std::wstring& GetCaption();
  UINT TemplateId() const { return templateId; }
  // The sheet the page belongs to, once initialised.
  CBasePropertySheet* Sheet() const { return sheet; }
  bool IsRunning() const { return static_cast<bool>(run); }
  const CDpiScale& Dpi() const { return dpi; }

 protected:
  // "WM_USER_THREAD_COMPLETE": hands the worker's parameter and result to OnApplyWorkerComplete.
  virtual LRESULT OnThreadComplete(WPARAM, LPARAM result);
  // What OK or Next runs; false: nothing runs and the action proceeds. The default runs
  // DefaultApplyWorker with a bare parameter, cancellable.
  virtual bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                              bool& cancellable);
  // On the dialog's thread; parameter and result are deleted when it returns.
  virtual void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result);
  // OK, Next and Finish of the sheet together.
  virtual void EnableSheetButtons(BOOL enable);

  BOOL OnInitDialog() override;
  void OnCancel() override;
  BOOL OnApply() override;
  BOOL OnSetActive() override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroy() override;

  std::wstring caption;

 private:
  UINT templateId;
  std::shared_ptr<CApplyWorkerRun> run;
  HCURSOR arrowCursor;
  HCURSOR waitCursor;
  CBasePropertySheet* sheet = nullptr;
  CDpiScale dpi;
  CFontHandle font;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_FRAMEWORK_BASE_PROPERTY_PAGE_H_
