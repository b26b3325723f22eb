// The system's certificate dialog for one certificate of an account, with up to three pages of the
// program's own: Password (the certificate's password policy), Account (the account it came from)
// and Restrictions (the programs that may use it, with a check for a chosen program). The dialog is
// loaded at run time (the toolchain has no import library for it) and runs modally on the calling
// thread. Every page reads only the viewer's copies of the policies, so a policy that changes
// meanwhile leaves an open viewer alone.
#ifndef LUMA_SERVICE_CERTVIEWER_CERTIFICATE_VIEWER_H_
#define LUMA_SERVICE_CERTVIEWER_CERTIFICATE_VIEWER_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <cryptuiapi.h>
// clang-format on

#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"

namespace luma::ui {

// A page header of the layout the system's dialog reads (with the header bitmap's field, which the
// toolchain's page header lacks): the dialog steps through the array by this size.
struct CViewerPageHeader : PROPSHEETPAGEW {
  HBITMAP hbmHeader = nullptr;
};

class CCertificateViewer {
 public:
  CCertificateViewer(const CCertificatePolicy& certificatePolicy, const CPolicy& policy, bool showAccountTab,
                     bool showRestrictionsTab, bool allowOnlineLookups);
  CCertificateViewer(const CCertificateViewer&) = delete;
  CCertificateViewer& operator=(const CCertificateViewer&) = delete;

  // The system dialog's description with the extra pages; valid while the viewer lives.
  const CRYPTUI_VIEWCERTIFICATE_STRUCTW& Description() const { return description; }
  const std::vector<CViewerPageHeader>& Pages() const { return pages; }
  // Runs the system dialog owned by `parent`; false when it could not be loaded or shown.
  bool Show(HWND parent);

 private:
  CCertificatePolicy certificatePolicy;
  CPolicy policy;
  std::wstring title;
  std::vector<std::wstring> pageTitles;
  std::vector<CViewerPageHeader> pages;
  CCertContextHandle certificate;
  CRYPTUI_VIEWCERTIFICATE_STRUCTW description = {};
};

// What the account list calls: copies both policies, shows the dialog and returns when it is closed.
void ShowCertificateViewer(HWND parent, const CCertificatePolicy* certificatePolicy, const CPolicy* policy,
                           bool showAccountTab, bool showRestrictionsTab, bool allowOnlineLookups);

// The pages' dialog procedures; their PROPSHEETPAGE's lParam points to a CRYPTUI_INITDIALOG_STRUCT
// whose lParam is the certificate policy (Password, Restrictions) or the policy (Account).
INT_PTR CALLBACK PasswordPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AccountPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RestrictionsPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Appends a row (label string, value) to a two-column list and counts it.
void AddPropertyRow(HWND list, int& row, UINT labelId, const std::wstring& value);

}  // namespace luma::ui

#endif  // LUMA_SERVICE_CERTVIEWER_CERTIFICATE_VIEWER_H_
