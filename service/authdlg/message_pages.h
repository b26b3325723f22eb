// Two pages that need no typed input: the confirmation of a qualified signature (OK confirms, Cancel
// has the focus) and an error that only Cancel or the countdown can close.
#ifndef LUMA_SERVICE_AUTHDLG_MESSAGE_PAGES_H_
#define LUMA_SERVICE_AUTHDLG_MESSAGE_PAGES_H_

#include <string>

#include "service/authdlg/auth_dialog_page.h"

namespace luma {
namespace ui {

class CConfirmPropertyPage : public CAuthDialogPage {
 public:
  CConfirmPropertyPage(const CAuthContext& context, const std::wstring& message);

 protected:
  BOOL OnSetActive() override;
  BOOL OnApply() override { return TRUE; }  // nothing to run: OK confirms

 private:
  std::wstring message;
};

class CErrorPropertyPage : public CAuthDialogPage {
 public:
  CErrorPropertyPage(const CAuthContext& context, const std::wstring& message);

 protected:
  BOOL OnSetActive() override;
  BOOL OnApply() override { return FALSE; }

 private:
  std::wstring message;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_MESSAGE_PAGES_H_
