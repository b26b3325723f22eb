// The page that checks, without user input, whether the account's session with the service is
// still valid and, on request, whether the cached PIN is still accepted, and then moves the dialog
// on to the page the outcome calls for. Every activation runs the check again.
#ifndef LUMA_SERVICE_AUTHDLG_CHECK_PROPERTY_PAGE_H_
#define LUMA_SERVICE_AUTHDLG_CHECK_PROPERTY_PAGE_H_

#include <memory>

#include "service/auth/auth_result.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/vault/web_service_exception.h"
#include "ui/core/auth_outcome.h"

namespace luma {
namespace ui {

class CCheckThreadParameter : public CApplyWorkerParameter {
 public:
  HWND owner = nullptr;
  CAuthContext context;
  bool checkAccount = true;
  bool verifyPin = false;
};

class CCheckThreadResult : public CApplyWorkerResult {
 public:
  CSecureBuffer token;
  CSecureBuffer pin;
  CWebServiceException error{0, 0, L""};
};

std::unique_ptr<CApplyWorkerResult> CheckWorker(CApplyWorkerParameter* parameter, volatile LONG* cancelled);

class CCheckPropertyPage : public CAuthDialogPage {
 public:
  // A next page of 0 or less: simply the following page.
  CCheckPropertyPage(const CAuthContext& context, CAuthResult* result, bool checkAccount, bool verifyPin,
                     int nextPageNone, int nextPageToken, int nextPagePin, int nextPageBoth);

 protected:
  BOOL OnSetActive() override;
  BOOL OnApply() override;
  bool GetApplyWorker(ApplyWorkerFunction& worker, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& cancellable) override;
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override;

 private:
  bool checkAccount;
  bool verifyPin;
  CheckNextPages next;
  CAuthResult* result;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_CHECK_PROPERTY_PAGE_H_
