#include "service/certviewer/certificate_viewer.h"

#include <commdlg.h>

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "service/certviewer/certificate_viewer_ids.h"
#include "ui/core/certificate_viewer_plan.h"
#include "ui/core/pin_change_outcome.h"

namespace luma::ui {
namespace {

using ViewCertificateFunction = BOOL(WINAPI*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW, BOOL*);

// The layouts the 32-bit system dialog reads.
static_assert(sizeof(void*) != 4 || sizeof(CRYPTUI_VIEWCERTIFICATE_STRUCTW) == 72, "dialog description");
static_assert(sizeof(void*) != 4 || sizeof(CViewerPageHeader) == 56, "page header");

constexpr int kRuleLineIds[] = {IDC_VIEWER_RULE_LENGTH, IDC_VIEWER_RULE_UPPER, IDC_VIEWER_RULE_LOWER,
                                IDC_VIEWER_RULE_DIGITS, IDC_VIEWER_RULE_SYMBOLS};

// The page's object, kept in the page window from WM_INITDIALOG on.
template <class T>
const T* PageObject(HWND page, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    const auto* init = sheetPage != nullptr
                           ? reinterpret_cast<const CRYPTUI_INITDIALOG_STRUCT*>(sheetPage->lParam)
                           : nullptr;
    const T* object = init != nullptr ? reinterpret_cast<const T*>(init->lParam) : nullptr;
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    return object;
  }
  return reinterpret_cast<const T*>(GetWindowLongPtrW(page, DWLP_USER));
}

bool IsSetActive(UINT message, LPARAM lParam) {
  return message == WM_NOTIFY && lParam != 0 && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE;
}

void SetItemText(HWND page, int id, const std::wstring& text) { SetDlgItemTextW(page, id, text.c_str()); }

void FillPasswordPage(HWND page, const CCertificatePolicy& certificate) {
  const CPinPolicy& pin = certificate.pinPolicy;
  const CPinConstraints& rules = pin.pinConstraints;
  const bool noPassword = pin.HasNoPin();
  SetItemText(page, IDC_VIEWER_CHANGE_GROUP, FormatResourceString(IDS_VIEWER_CHANGE));
  const unsigned change =
      PasswordChangeTextId(pin.IsPinChangeDue(), noPassword, certificate.IsPinChangeDueBeforeExpiry());
  SetItemText(page, IDC_VIEWER_CHANGE_TEXT,
              change == IDS_VIEWER_CHANGE_BEFORE
                  ? FormatResourceString(change, FormatFileTimeDate(pin.nextPinChange).c_str())
                  : FormatResourceString(change));
  SetItemText(page, IDC_VIEWER_CACHE_GROUP, FormatResourceString(IDS_VIEWER_CACHE));
  const ViewerText cache = PasswordCacheText(noPassword, pin.maxPinCacheTime, pin.maxPinCacheReuse);
  SetItemText(
      page, IDC_VIEWER_CACHE_TEXT,
      FormatResourceString(cache.textId, static_cast<int>(cache.first), static_cast<int>(cache.second)));
  SetItemText(page, IDC_VIEWER_POLICY_GROUP, FormatResourceString(IDS_VIEWER_POLICY));
  PinRuleCounts counts;
  counts.minLength = static_cast<int>(rules.minLength);
  counts.maxLength = static_cast<int>(rules.maxLength);
  counts.minUpperCase = static_cast<int>(rules.minUpperCaseCharacters);
  counts.minLowerCase = static_cast<int>(rules.minLowerCaseCharacters);
  counts.minDigits = static_cast<int>(rules.minNumericCharacters);
  counts.minSymbols = static_cast<int>(rules.minSymbolCharacters);
  const std::vector<RuleLine> lines = PasswordRuleLines(counts);
  for (size_t i = 0; i < lines.size() && i < std::size(kRuleLineIds); ++i) {
    SetItemText(page, kRuleLineIds[i],
                FormatResourceString(lines[i].textId, lines[i].first, lines[i].second));
    EnableWindow(GetDlgItem(page, kRuleLineIds[i]), lines[i].enabled ? TRUE : FALSE);
  }
}

void AddColumn(HWND list, int index, UINT titleId) {
  std::wstring title = FormatResourceString(titleId);
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 100;
  column.pszText = title.data();
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void FillAccountPage(HWND page, const CPolicy& policy) {
  HWND list = GetDlgItem(page, IDC_VIEWER_ACCOUNT_LIST);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  AddPropertyRow(list, row, IDS_VIEWER_PROVIDER, policy.issuerId);
  AddPropertyRow(list, row, IDS_VIEWER_USER_ID, policy.userId);
  AddPropertyRow(list, row, IDS_VIEWER_USER_NAME, policy.userFriendlyName);
  AddPropertyRow(list, row, IDS_VIEWER_LAST_REFRESH, FormatFileTime(policy.thisUpdate));
  AddPropertyRow(list, row, IDS_VIEWER_REFRESH_REQUIRED, FormatFileTime(policy.nextUpdate));
  if (!policy.constraints.domain.empty())
    AddPropertyRow(list, row, IDS_VIEWER_DOMAIN, policy.constraints.domain);
  if (!policy.constraints.hostname.empty())
    AddPropertyRow(list, row, IDS_VIEWER_HOST, policy.constraints.hostname);
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
}

void FillRestrictionsPage(HWND page, const CCertificatePolicy& certificate) {
  HWND list = GetDlgItem(page, IDC_VIEWER_PROGRAM_LIST);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const std::wstring& name : certificate.constraints.processNames) {
    std::wstring text = name;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row++;
    item.pszText = text.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  EnableWindow(GetDlgItem(page, IDC_VIEWER_CHECK_FILE), row > 0 ? TRUE : FALSE);
}

void CheckProgram(HWND page, const CCertificatePolicy& certificate) {
  const std::wstring title = FormatResourceString(IDS_VIEWER_SELECT_PROGRAM);
  // "<name>\0*.EXE\0\0"
  std::wstring filter = FormatResourceString(IDS_VIEWER_EXECUTABLES);
  filter.push_back(L'\0');
  filter += L"*.EXE";
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = page;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_NOTESTFILECREATE | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return;  // cancelled or failed: nothing to say
  const bool allowed = certificate.constraints.IsProcessAllowed(file);
  const std::wstring text =
      FormatResourceString(allowed ? IDS_VIEWER_PROGRAM_ALLOWED : IDS_VIEWER_PROGRAM_REFUSED, file);
  MessageBoxW(page, text.c_str(), certificate.friendlyName.c_str(),
              allowed ? MB_ICONINFORMATION : MB_ICONERROR);
}

CViewerPageHeader MakePage(UINT templateId, const std::wstring& title, DLGPROC procedure,
                           const void* object) {
  CViewerPageHeader page;
  ZeroMemory(static_cast<PROPSHEETPAGEW*>(&page), sizeof(PROPSHEETPAGEW));
  page.dwSize = sizeof(page);
  page.dwFlags = PSP_USETITLE;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(templateId);
  page.pszTitle = title.c_str();
  page.pfnDlgProc = procedure;
  page.lParam = reinterpret_cast<LPARAM>(object);
  return page;
}

}  // namespace

void AddPropertyRow(HWND list, int& row, UINT labelId, const std::wstring& value) {
  std::wstring label = FormatResourceString(labelId) + L" ";
  std::wstring text = value;
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = label.data();
  const auto index =
      static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index >= 0) {
    LVITEMW cell = {};
    cell.iSubItem = 1;
    cell.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell));
  }
  ++row;
}

INT_PTR CALLBACK PasswordPageDlgProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  try {
    const auto* certificate = PageObject<CCertificatePolicy>(page, message, lParam);
    if (message == WM_INITDIALOG) return TRUE;
    if (IsSetActive(message, lParam)) {
      if (certificate != nullptr) FillPasswordPage(page, *certificate);
      return TRUE;
    }
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The certificate viewer's password page failed");
  }
  return FALSE;
}

INT_PTR CALLBACK AccountPageDlgProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  try {
    const auto* policy = PageObject<CPolicy>(page, message, lParam);
    if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    if (message == WM_INITDIALOG) {
      HWND list = GetDlgItem(page, IDC_VIEWER_ACCOUNT_LIST);
      AddColumn(list, 0, IDS_VIEWER_PROPERTY);
      AddColumn(list, 1, IDS_VIEWER_VALUE);
      SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
      return TRUE;
    }
    if (IsSetActive(message, lParam)) {
      if (policy != nullptr) FillAccountPage(page, *policy);
      return TRUE;
    }
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The certificate viewer's account page failed");
  }
  return FALSE;
}

INT_PTR CALLBACK RestrictionsPageDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    const auto* certificate = PageObject<CCertificatePolicy>(page, message, lParam);
    if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    if (message == WM_INITDIALOG) {
      HWND list = GetDlgItem(page, IDC_VIEWER_PROGRAM_LIST);
      AddColumn(list, 0, IDS_VIEWER_ALLOWED_PROGRAMS);
      SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
      SetItemText(page, IDC_VIEWER_CHECK_FILE, FormatResourceString(IDS_VIEWER_CHECK_PROGRAM));
      return TRUE;
    }
    if (IsSetActive(message, lParam)) {
      if (certificate != nullptr) FillRestrictionsPage(page, *certificate);
      return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_VIEWER_CHECK_FILE && HIWORD(wParam) == BN_CLICKED) {
      if (certificate != nullptr) CheckProgram(page, *certificate);
      return FALSE;
    }
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The certificate viewer's restrictions page failed");
  }
  return FALSE;
}

CCertificateViewer::CCertificateViewer(const CCertificatePolicy& certificateSource,
                                       const CPolicy& policySource, bool showAccountTab,
                                       bool showRestrictionsTab, bool allowOnlineLookups)
    : certificatePolicy(certificateSource), policy(policySource), title(certificatePolicy.friendlyName) {
  const std::vector<ViewerPage> plan =
      ViewerPages(showAccountTab, showRestrictionsTab, certificatePolicy.constraints.processNames.size());
  pageTitles.reserve(plan.size());  // the pages point into these strings
  for (const ViewerPage kind : plan) {
    switch (kind) {
      case ViewerPage::kPassword:
        pageTitles.push_back(FormatResourceString(IDS_VIEWER_PASSWORD_TITLE));
        pages.push_back(
            MakePage(IDD_VIEWER_PASSWORD, pageTitles.back(), &PasswordPageDlgProc, &certificatePolicy));
        break;
      case ViewerPage::kAccount:
        pageTitles.push_back(FormatResourceString(IDS_VIEWER_ACCOUNT_TITLE));
        pages.push_back(MakePage(IDD_VIEWER_ACCOUNT, pageTitles.back(), &AccountPageDlgProc, &policy));
        break;
      case ViewerPage::kRestrictions:
        pageTitles.push_back(FormatResourceString(IDS_VIEWER_RESTRICTIONS_TITLE));
        pages.push_back(MakePage(IDD_VIEWER_RESTRICTIONS, pageTitles.back(), &RestrictionsPageDlgProc,
                                 &certificatePolicy));
        break;
    }
  }
  const CSecureBuffer encoded = certificatePolicy.GetEncodedCertificate();
  if (!encoded.empty()) {
    certificate.reset(
        CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, encoded.data, encoded.size));
  }
  description.dwSize = sizeof(description);
  description.dwFlags = ViewerFlags(allowOnlineLookups);
  description.szTitle = title.c_str();
  description.pCertContext = certificate.get();
  description.cPropSheetPages = static_cast<DWORD>(pages.size());
  description.rgPropSheetPages = pages.data();
}

bool CCertificateViewer::Show(HWND parent) {
  if (!certificate) {
    CDebugLog::Log(LOG_ERROR, L"The certificate of \"%s\" cannot be shown: it does not decode",
                   title.c_str());
    return false;
  }
  const CModuleHandle cryptui(LoadLibraryW(L"cryptui.dll"));
  const auto view = cryptui ? reinterpret_cast<ViewCertificateFunction>(reinterpret_cast<void*>(
                                  GetProcAddress(cryptui.get(), "CryptUIDlgViewCertificateW")))
                            : nullptr;
  if (view == nullptr) {
    CDebugLog::Log(LOG_ERROR, L"The system's certificate dialog is not available (%u)", GetLastError());
    return false;
  }
  description.hwndParent = parent;
  BOOL changed = FALSE;
  view(&description, &changed);  // only shown: neither its result nor the changed flag matter
  return true;
}

void ShowCertificateViewer(HWND parent, const CCertificatePolicy* certificatePolicy, const CPolicy* policy,
                           bool showAccountTab, bool showRestrictionsTab, bool allowOnlineLookups) {
  if (certificatePolicy == nullptr || policy == nullptr) return;
  try {
    CCertificateViewer viewer(*certificatePolicy, *policy, showAccountTab, showRestrictionsTab,
                              allowOnlineLookups);
    viewer.Show(parent);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The certificate viewer failed");
  }
}

}  // namespace luma::ui
