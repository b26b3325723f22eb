// The page on which the user changes a certificate's password at the service: the current password
// (or the issued transport code), the new one and its confirmation, with a green or red mark beside
// each password rule while typing; OK is enabled only when every rule holds. A page worker has the
// service change the password with the account's session, caches the new one and fetches the
// account's policy, which the service may have changed with it.
#ifndef LUMA_SERVICE_AUTHDLG_PIN_CHANGE_PAGE_H_
#define LUMA_SERVICE_AUTHDLG_PIN_CHANGE_PAGE_H_

#include <memory>

#include "policy/core/pin_rule_checker.h"
#include "service/auth/auth_result.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/vault/web_service_exception.h"
#include "ui/framework/nav_handling_edit.h"

namespace luma {
namespace ui {

class CPINChangeThreadParameter : public CApplyWorkerParameter {
 public:
  HWND owner = nullptr;
  CAuthContext context;
  CSecureBuffer currentPin;  // UTF-16 without terminator; wiped with the buffers
  CSecureBuffer newPin;
};

class CPINChangeThreadResult : public CApplyWorkerResult {
 public:
  CSOAPServiceException error{0, 0, L""};
  int status = 0;
  bool blocked = false;
  int remainingTries = -1;
  CSecureBuffer newPin;
  CSecureBuffer policy;  // the account's signed policy, fetched after a change
};

// The worker: the service's change with the account's session, and the caches updated by its answer.
std::unique_ptr<CApplyWorkerResult> PinChangeWorker(CApplyWorkerParameter* parameter,
                                                    volatile LONG* cancelled);

class CPINChangePage : public CAuthDialogPage {
 public:
  // The new PIN goes into the result's PIN; its token is stored for a policy fetched afterwards.
  CPINChangePage(const CAuthContext& context, CAuthResult* result);

  static constexpr int kRuleCount = 7;
  // Whether a rule row's mark shows the rule met (rows: length, upper case, lower case, digits,
  // special characters, confirmation, difference).
  bool IsRuleShownMet(int row) const;

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
  void OnPinEditChanged();
  void ShowRuleMarks();
  void EnableFields(bool enable);
  void ClearFields();
  // Adds the fetched policy to the provider and keeps the session for it; a policy that cannot be
  // added is logged: the password has changed all the same.
  void AddFetchedPolicy(const CSecureBuffer& encoded);

  CAuthResult* result;
  CPinRuleChecker ruleChecker;
  CBitmapHandle okBitmap;
  CBitmapHandle failBitmap;
  CInfoToolTip infoTip;
  CNavHandlingEdit current;
  CNavHandlingEdit fresh;
  CNavHandlingEdit confirmation;
  CStatic ruleTexts[kRuleCount];
  CStatic ruleMarks[kRuleCount];
  // What the marks show (the control may keep its own copy of a picture).
  bool shownMet[kRuleCount] = {};
  bool marksShown = false;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_AUTHDLG_PIN_CHANGE_PAGE_H_
