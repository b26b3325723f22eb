// The add-account wizard as far as the frame builds it: the shared wizard data, the pages the frame
// chooses between and the property sheet that runs them. The pages here only name themselves; the
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
#include "service/ui/main_frame_host.h"

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

class CAuthDialogPage {
 public:
  CAuthDialogPage(UINT pageTemplate, const CAuthContext& authContext, UINT captionId,
                  const wchar_t* pageName);
  virtual ~CAuthDialogPage() = default;

  const UINT pageTemplate;
  const UINT captionId;
  const std::wstring name;
  CAuthContext authContext;
};

class CAddWizCheckPage : public CAuthDialogPage {
 public:
  explicit CAddWizCheckPage(const CAddWizardDataPtr& data);
};

class CAddWizOTPPage : public CAuthDialogPage {
 public:
  explicit CAddWizOTPPage(const CAddWizardDataPtr& data);
};

class CAddWizBrowserPage : public CAuthDialogPage {
 public:
  explicit CAddWizBrowserPage(const CAddWizardDataPtr& data);
};

class CAddWizFinishPage : public CAuthDialogPage {
 public:
  explicit CAddWizFinishPage(const CAddWizardDataPtr& data);
};

class CBasePropertySheet {
 public:
  CBasePropertySheet(HWND parent, UINT captionId, int unused);

  void AddPage(std::shared_ptr<CAuthDialogPage> page) { pages.push_back(std::move(page)); }
  const std::vector<std::shared_ptr<CAuthDialogPage>>& Pages() const { return pages; }
  // Shows the pages; the header's flags and owner window are set by the caller.
  INT_PTR DoModal();

  PROPSHEETHEADERW m_psh;
  const UINT captionId;

 private:
  std::vector<std::shared_ptr<CAuthDialogPage>> pages;
};

// The wizard's first page for the provider's method: the check page for a method that needs no
// user, the OTP and browser pages for theirs, none for the other methods.
std::shared_ptr<CAuthDialogPage> MakeFirstAddPage(const CAddWizardDataPtr& data);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ADD_ACCOUNT_WIZARD_H_
