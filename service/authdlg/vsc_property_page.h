// The password page: asks for the certificate's password (the PIN of the virtual smart card), has
// the service verify it on a page worker and, when it is right, hands it to the waiting request and
// keeps it in the provider's PIN cache. A wrong password shows the tries the service still allows; a
// blocked certificate is marked and ends the dialog.
#ifndef LUMA_SERVICE_AUTHDLG_VSC_PROPERTY_PAGE_H_
#define LUMA_SERVICE_AUTHDLG_VSC_PROPERTY_PAGE_H_

#include <memory>

#include "service/auth/auth_context.h"
#include "service/auth/auth_result.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/vault/web_service_exception.h"
#include "ui/framework/nav_handling_edit.h"

namespace luma {
namespace ui {

class CVSCThreadParameter : public CApplyWorkerParameter {
 public:
  HWND owner = nullptr;
  CAuthContext context;
  CSecureBuffer pin;  // UTF-16 without terminator; wiped with the buffer
};

class CVSCThreadResult : public CApplyWorkerResult {
 public:
  CSOAPServiceException error{0, 0, L""};
  bool blocked = false;
  int remainingTries = -1;
  CSecureBuffer pin;
  int status = 1;  // until the service answered
};

// The worker: the service's PIN check with the account's session, and the caches updated by its
// answer. Runs on the page worker's thread.
std::unique_ptr<CApplyWorkerResult> VerifyPinWorker(CApplyWorkerParameter* parameter,
                                                    volatile LONG* cancelled);

class CVSCPropertyPage : public CAuthDialogPage {
 public:
  CVSCPropertyPage(const CAuthContext& context, CAuthResult* result);

 protected:
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;
  void OnDestroy() override;

 private:
  void OnPasswordChange();
  bool EmptyPasswordLegal() const;
  void ClearPassword();

  CAuthResult* result;
  CInfoToolTip toolTip;
  CNavHandlingEdit password;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_VSC_PROPERTY_PAGE_H_
