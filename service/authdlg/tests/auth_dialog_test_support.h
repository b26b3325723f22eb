// The account of the authentication dialog's tests: a password provider whose service is the local
// test signing service, an account with an issuer logo and one certificate; and the message boxes
// the pages show.
#ifndef LUMA_SERVICE_AUTHDLG_TESTS_AUTH_DIALOG_TEST_SUPPORT_H_
#define LUMA_SERVICE_AUTHDLG_TESTS_AUTH_DIALOG_TEST_SUPPORT_H_

#include <windows.h>

#include <string>

#include "service/auth/auth_context.h"
#include "service/testing/vault_test_support.h"

namespace luma::service::testing {

inline CSecureBuffer Utf16(const std::wstring& text) {
  return CSecureBuffer(static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data());
}

class CAuthDialogTest : public SoapTransportTest {
 protected:
  void SetUp() override;
  // A certificate of the test service's (alias "alice" takes "1234"; "blocked" is blocked) that needs
  // a PIN of 4 to 8 characters.
  // servicePath: where the provider's calls go; loginPath: the method's own login address, whose
  // first path segment tells a redirect to it.
  CAuthContext Context(const std::wstring& alias, const wchar_t* servicePath = L"/vault",
                       const wchar_t* loginPath = L"/vault");
  // The same account, of the user "anna", at a one-time-password provider whose form login is the
  // service's "/login" (it takes the one-time password "123 456").
  CAuthContext OtpContext(const std::wstring& alias);

  CTestSigningService service;
};

// The message box a page of `sheet` shows, waited for up to `timeoutMs`; null when none came.
HWND WaitForMessageBox(HWND sheet, DWORD timeoutMs = 15000);
std::wstring MessageBoxText(HWND box);

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_AUTHDLG_TESTS_AUTH_DIALOG_TEST_SUPPORT_H_
