// The pages the window tests put into sheets: a login page with two secret fields and a worker the
// test chooses, and a page with a text only.
#ifndef LUMA_UI_FRAMEWORK_TESTS_TEST_PAGES_H_
#define LUMA_UI_FRAMEWORK_TESTS_TEST_PAGES_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "ui/framework/base_property_page.h"
#include "ui/framework/nav_handling_edit.h"
#include "ui/framework/tests/test_dialog_ids.h"

namespace ui_test {

using luma::ui::ApplyWorkerFunction;
using luma::ui::CApplyWorkerParameter;
using luma::ui::CApplyWorkerResult;

// Counts its destruction, so that a test sees that a run let go of it.
struct CCountedParameter : CApplyWorkerParameter {
  explicit CCountedParameter(std::atomic<int>& destroyed) : destroyedCount(destroyed) {}
  ~CCountedParameter() override { ++destroyedCount; }
  CSecureBuffer password;
  std::atomic<int>& destroyedCount;
};

struct CCountedResult : CApplyWorkerResult {
  explicit CCountedResult(std::atomic<int>& destroyed) : destroyedCount(destroyed) {}
  ~CCountedResult() override { ++destroyedCount; }
  std::wstring message;
  std::atomic<int>& destroyedCount;
};

class CTestLoginPage : public luma::ui::CBasePropertyPage {
 public:
  CTestLoginPage() : CBasePropertyPage(IDD_TEST_LOGIN_PAGE, 0) {}

  // The worker OK runs (none: OK closes the sheet), whether Cancel stays usable meanwhile, and what
  // the page does with the result.
  ApplyWorkerFunction worker;
  bool cancellable = true;
  std::function<void(CTestLoginPage&, CCountedParameter*, CCountedResult*)> onComplete;

  std::atomic<int> parametersDestroyed{0};
  std::atomic<int> resultsDestroyed{0};
  std::atomic<int> workersStarted{0};
  std::atomic<int> completions{0};
  DWORD completionThread = 0;
  bool logoBound = true;

  luma::ui::CEdit user;
  luma::ui::CNavHandlingEdit password;
  luma::ui::CNavHandlingEdit otp;
  luma::ui::CStatic status;
  luma::ui::CStatic logo;  // no such control in this template

  using CBasePropertyPage::EnableSheetButtons;

 protected:
  void DoDataExchange() override {
    user.Bind(m_hWnd, IDC_TEST_USER);
    password.SubclassDlgItem(m_hWnd, IDC_TEST_PASSWORD);
    otp.SubclassDlgItem(m_hWnd, IDC_TEST_OTP);
    status.Bind(m_hWnd, IDC_TEST_STATUS);
    logoBound = logo.Bind(m_hWnd, IDD_TEST_MISSING);
  }
  BOOL OnInitDialog() override {
    const BOOL result = CBasePropertyPage::OnInitDialog();
    user.SetText(L"alice@example.test");
    logo.Enable(FALSE);  // a control the template lacks: nothing happens
    logo.SetBitmap(nullptr);
    return result;
  }
  bool GetApplyWorker(ApplyWorkerFunction& function, std::unique_ptr<CApplyWorkerParameter>& parameter,
                      bool& canCancel) override {
    if (!worker) return false;
    auto own = std::make_unique<CCountedParameter>(parametersDestroyed);
    luma::ui::GetWindowTextSecure(password.Handle(), own->password, false);
    ++workersStarted;
    function = worker;
    parameter = std::move(own);
    canCancel = cancellable;
    return true;
  }
  void OnApplyWorkerComplete(CApplyWorkerParameter* parameter, CApplyWorkerResult* result) override {
    ++completions;
    completionThread = GetCurrentThreadId();
    if (onComplete) {
      onComplete(*this, static_cast<CCountedParameter*>(parameter), static_cast<CCountedResult*>(result));
    }
  }
};

class CTestInfoPage : public luma::ui::CBasePropertyPage {
 public:
  CTestInfoPage() : CBasePropertyPage(IDD_TEST_INFO_PAGE, 0) {}

 protected:
  bool GetApplyWorker(ApplyWorkerFunction&, std::unique_ptr<CApplyWorkerParameter>&, bool&) override {
    return false;
  }
};

}  // namespace ui_test

#endif  // LUMA_UI_FRAMEWORK_TESTS_TEST_PAGES_H_
