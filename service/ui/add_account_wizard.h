// The add-account wizard as far as the frame builds it: the shared wizard data and the pages the frame
// chooses between, run in the user interface's base sheet. The pages here only name themselves; the
// user interface's own pages take their place.
#ifndef LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_
#define LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <prsht.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "service/auth/auth_context.h"
#include "service/authdlg/auth_dialog_page.h"
#include "service/ui/main_frame_host.h"
#include "ui/framework/base_property_page.h"
#include "ui/framework/base_property_sheet.h"

namespace luma {
namespace ui {

struct CAddWizardData {
  explicit CAddWizardData(const CProviderContextMap& providerContexts) : contexts(providerContexts) {}

  CProviderContextMap contexts;
  // The provider the account is added at.
  CProviderContextPtr providerContext;
  // Its provider context carries a copy of the provider's configuration.
  CAuthContext authContext;
};

using CAddWizardDataPtr = std::shared_ptr<CAddWizardData>;

// Until the wizard's own account pages take their place, each page stands on the account page base
// and only names itself.
class CAddWizardStandInPage : public CAuthDialogPage {
 public:
  CAddWizardStandInPage(UINT pageTemplate, const CAuthContext& authContext, UINT captionId,
                        const wchar_t* pageName);

  const std::wstring name;

 protected:
  BOOL OnInitDialog() override;
  // No worker: the stand-in pages only let the wizard move on.
  bool GetApplyWorker(ApplyWorkerFunction&, std::unique_ptr<CApplyWorkerParameter>&, bool&) override {
    return false;
  }
};

class CAddWizCheckPage : public CAddWizardStandInPage {
 public:
  explicit CAddWizCheckPage(const CAddWizardDataPtr& data);
};

class CAddWizOTPPage : public CAddWizardStandInPage {
 public:
  explicit CAddWizOTPPage(const CAddWizardDataPtr& data);
};

class CAddWizBrowserPage : public CAddWizardStandInPage {
 public:
  explicit CAddWizBrowserPage(const CAddWizardDataPtr& data);
};

class CAddWizFinishPage : public CAddWizardStandInPage {
 public:
  explicit CAddWizFinishPage(const CAddWizardDataPtr& data);
};

// The wizard's first page for the provider's method: the check page for a method that needs no
// user, the OTP and browser pages for theirs, none for the other methods.
std::shared_ptr<CAddWizardStandInPage> MakeFirstAddPage(const CAddWizardDataPtr& data);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_
