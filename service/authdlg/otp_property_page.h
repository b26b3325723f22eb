// The one-time-password page: logs the user in to the provider's web form with user id, password
// and one-time password on a page worker, keeps the session token it gets, and checks a cached PIN
// of the certificate with that new session. When the PIN is still needed the password page follows.
#ifndef LUMA_SERVICE_AUTHDLG_OTP_PROPERTY_PAGE_H_
#define LUMA_SERVICE_AUTHDLG_OTP_PROPERTY_PAGE_H_

#include <memory>

#include "service/auth/auth_result.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/vault/web_service_exception.h"
#include "ui/framework/nav_handling_edit.h"

namespace luma {
namespace ui {

class COTPThreadParameter : public CApplyWorkerParameter {
 public:
  CAuthContext context;
  CSecureBuffer password;  // UTF-16 with terminator; wiped with the buffer
  CSecureBuffer otp;
};

class COTPThreadResult : public CApplyWorkerResult {
 public:
  CAuthenticationException loginError{0, 0, L""};
  CSOAPServiceException verifyError{0, 0, L""};
  CSecureBuffer token;
  CSecureBuffer pin;
};

std::unique_ptr<CApplyWorkerResult> OtpLoginWorker(CApplyWorkerParameter* parameter,
                                                   volatile LONG* cancelled);

class COTPPropertyPage : public CAuthDialogPage {
 public:
  COTPPropertyPage(const CAuthContext& context, CAuthResult* result);

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
  void OnFieldChange();
  void ClearSecrets();

  CInfoToolTip userTip;
  CInfoToolTip passwordTip;
  CInfoToolTip codeTip;
  CAuthResult* result;
  CNavHandlingEdit user;
  CNavHandlingEdit password;
  CNavHandlingEdit code;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_OTP_PROPERTY_PAGE_H_
