// The providers and accounts of the wizard tests: providers whose service is the local test signing
// service (its account "anna" logs in with the one-time password "123 456" and has a signed policy
// there), each with a policy folder and a certificate store of the test's own; the protocol handler
// that provisions what the wizards store; and the windows the wizards show.
#ifndef LUMA_SERVICE_UI_TESTS_WIZARDS_WIZARD_TEST_SUPPORT_H_
#define LUMA_SERVICE_UI_TESTS_WIZARDS_WIZARD_TEST_SUPPORT_H_

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "policy/account/provider_context.h"
#include "service/handler/tests/handler_test_support.h"
#include "service/testing/vault_test_support.h"
#include "ui/testing/dialog_driver.h"

namespace luma::service::testing {

// Counts what a provider context tells its observers.
class CCountingObserver : public CPolicyObserver {
 public:
  void PolicyAdded(const CPolicyPtr&) override { ++added; }
  void PolicyRemoved(const CPolicyPtr&) override { ++removed; }
  void PolicyUpdated(const CPolicyPtr&) override { ++updated; }
  int Total() const { return added + removed + updated; }

  std::atomic<int> added{0};
  std::atomic<int> removed{0};
  std::atomic<int> updated{0};
};

class CWizardTest : public SoapTransportTest {
 protected:
  CWizardTest();
  ~CWizardTest() override;
  void SetUp() override;

  // A provider of the service: servicePath for its calls, authType and interactive for its method.
  // A one-time-password method logs in at the service's "/login".
  CProviderContextPtr Provider(const std::wstring& name, int authType, bool interactive = true,
                               const wchar_t* servicePath = L"/vault");
  // anna's policy as the service signs it, decoded by the provider; null when it does not decode.
  CPolicyPtr AnnaPolicy(const CProviderContext& provider) const;
  // The policy files in the test's policy folder.
  int PolicyFileCount() const;
  // Whether the test's certificate store holds the certificate.
  bool StoreHolds(PCCERT_CONTEXT certificate) const;
  static bool HasToken(CProviderContext& provider, const CPolicy& account);

  CTestSigningService service;
  const std::wstring policyFolder;
  const std::wstring storeName;
};

// The wizard button that moves forward: Next, or Finish where the sheet shows that instead.
HWND ForwardButton(HWND sheet);
// The message box a page of `sheet` shows, waited for up to `timeoutMs`; null when none came.
HWND WaitForMessageBox(HWND sheet, DWORD timeoutMs = 15000);
std::wstring MessageBoxText(HWND box);
// Draws the sheet as the active window and saves its picture (when windows are drawn at all).
bool SavePicture(ui_test::CDialogDriver& driver, HWND sheet, const std::wstring& fileName);

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_UI_TESTS_WIZARDS_WIZARD_TEST_SUPPORT_H_
