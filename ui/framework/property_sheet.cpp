#include "ui/framework/property_sheet.h"

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "ui/framework/dialog.h"

namespace luma {
namespace ui {
namespace {

constexpr UINT_PTR kSheetSubclassId = 0x4C53;

// The sheet PropertySheetW is creating on this thread, until its callback attaches it.
thread_local CPropertySheet* t_sheetInCreation = nullptr;

bool IsDialogWindow(HWND window) {
  wchar_t className[16] = {};
  return GetClassNameW(window, className, ARRAYSIZE(className)) > 0 && wcscmp(className, L"#32770") == 0;
}

}  // namespace

// --- Page -------------------------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT templateId, UINT titleId, HINSTANCE module)
    : m_psp{}, pageTemplateId(templateId) {
  m_psp.dwSize = sizeof(m_psp);
  m_psp.dwFlags = PSP_DEFAULT;
  m_psp.hInstance = module != nullptr ? module : GetModuleHandleW(nullptr);
  m_psp.pszTemplate = MAKEINTRESOURCEW(templateId);
  m_psp.pfnDlgProc = &CPropertyPage::StaticPageProc;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
  if (titleId != 0) {
    title = FormatResourceString(titleId);
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.pszTitle = title.c_str();
  }
}

CPropertyPage::~CPropertyPage() = default;

void CPropertyPage::SetModified(BOOL changed) {
  HWND sheetWindow = m_hWnd != nullptr ? GetParent(m_hWnd) : nullptr;
  if (sheetWindow == nullptr) return;
  SendMessageW(sheetWindow, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

bool CPropertyPage::OnCommand(UINT, UINT, HWND) { return false; }

bool CPropertyPage::OnNotify(const NMHDR& header, LPARAM, INT_PTR& result) {
  switch (header.code) {
    case PSN_SETACTIVE:
      result = OnSetActive() ? 0 : -1;
      return true;
    case PSN_KILLACTIVE:
      result = OnKillActive() ? FALSE : TRUE;
      return true;
    case PSN_APPLY:
      result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
      return true;
    case PSN_RESET:
      if (sheet != nullptr) sheet->cancelled = true;
      OnCancel();
      result = 0;
      return true;
    case PSN_QUERYCANCEL:
      result = OnQueryCancel() ? FALSE : TRUE;
      return true;
    case PSN_WIZBACK:
      result = OnWizardBack();
      return true;
    case PSN_WIZNEXT:
      result = OnWizardNext();
      return true;
    case PSN_WIZFINISH:
      result = OnWizardFinish() ? FALSE : TRUE;
      return true;
    default:
      return false;
  }
}

bool CPropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      return header != nullptr && OnNotify(*header, lParam, result);
    }
    case WM_COMMAND:
      result = 0;
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return false;
  }
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* header = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* self = header != nullptr ? reinterpret_cast<CPropertyPage*>(header->lParam) : nullptr;
    if (self == nullptr) return FALSE;
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->m_hWnd = page;
  }
  auto* self = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrW(page, DWLP_USER));
  if (self == nullptr) return FALSE;
  INT_PTR result = 0;
  bool handled = false;
  try {
    handled = self->DialogProc(message, wParam, lParam, result);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a property page, message 0x%04x", message);
    handled = false;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(page, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return DialogProcAnswer(page, message, handled, result);
}

// --- Sheet ------------------------------------------------------------------------------------------

CPropertySheet::CPropertySheet(UINT caption, HWND parent, UINT startPage) : m_psh{}, captionId(caption) {
  m_psh.dwSize = sizeof(m_psh);
  m_psh.dwFlags = PSH_DEFAULT;
  m_psh.hwndParent = parent;
  m_psh.hInstance = GetModuleHandleW(nullptr);
  m_psh.nStartPage = startPage;
}

CPropertySheet::~CPropertySheet() {
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page == nullptr) return;
  page->sheet = this;
  pages.push_back(page);
}

void CPropertySheet::AddPage(std::shared_ptr<CPropertyPage> page) {
  AddPage(page.get());
  if (page) keptPages.push_back(std::move(page));
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? pages[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i] == page) return static_cast<int>(i);
  }
  return -1;
}

int CPropertySheet::GetActiveIndex() const {
  if (m_hWnd == nullptr) return -1;
  HWND active = PropSheet_GetCurrentPageHwnd(m_hWnd);
  if (active == nullptr) return -1;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i]->m_hWnd == active) return static_cast<int>(i);
  }
  return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

BOOL CPropertySheet::SetActivePage(int index) {
  if (m_hWnd == nullptr || index < 0 || index >= GetPageCount()) return FALSE;
  return static_cast<BOOL>(SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void CPropertySheet::EndDialog(int result) {
  endResult = result;
  endRequested = true;
  if (m_hWnd != nullptr) PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
}

BOOL CPropertySheet::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

bool CPropertySheet::OnCommand(UINT, UINT, HWND) { return false; }

LRESULT CPropertySheet::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) {
    return 0;
  }
  return Default(message, wParam, lParam);
}

int CALLBACK CPropertySheet::SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && t_sheetInCreation != nullptr) {
    CPropertySheet* self = t_sheetInCreation;
    t_sheetInCreation = nullptr;
    try {
      self->Attached(sheet);
    } catch (...) {
      CDebugLog::Log(LOG_ERROR, L"Unexpected exception while a property sheet initialised");
    }
  }
  return 0;
}

void CPropertySheet::Attached(HWND sheet) {
  m_hWnd = sheet;
  SetWindowSubclass(sheet, &CPropertySheet::SheetSubclassProc, kSheetSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
  PreSubclassWindow();
  OnInitDialog();
}

LRESULT CALLBACK CPropertySheet::SheetSubclassProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam,
                                                   UINT_PTR, DWORD_PTR object) {
  auto* self = reinterpret_cast<CPropertySheet*>(object);
  LRESULT result = 0;
  try {
    result = self->WindowProc(message, wParam, lParam);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in a property sheet, message 0x%04x", message);
    result = DefSubclassProc(sheet, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(sheet, &CPropertySheet::SheetSubclassProc, kSheetSubclassId);
    self->m_hWnd = nullptr;
  }
  return result;
}

bool CPropertySheet::PreTranslateMessage(MSG& message) {
  if (message.hwnd == nullptr || m_hWnd == nullptr) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (root == m_hWnd) return PropSheet_IsDialogMessage(m_hWnd, &message) != FALSE;
  // Another dialog of this thread (a popup a page opened): its own keys.
  if (root != nullptr && IsDialogWindow(root)) return IsDialogMessageW(root, &message) != FALSE;
  return false;
}

bool CPropertySheet::Finished() const {
  return endRequested || m_hWnd == nullptr || PropSheet_GetCurrentPageHwnd(m_hWnd) == nullptr;
}

INT_PTR CPropertySheet::RunModalLoop() {
  while (!Finished()) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop below this one
      return IDCANCEL;
    }
    if (got == -1) return -1;
    if (!PreTranslateMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (endRequested) return endResult;
  if (cancelled) return IDCANCEL;
  return (m_psh.dwFlags & (PSH_WIZARD | PSH_WIZARD97)) != 0 ? kWizardFinishId : IDOK;
}

INT_PTR CPropertySheet::DoModal() {
  if (m_hWnd != nullptr || pages.empty()) return -1;
  // A page whose template is missing cannot be shown; the sheet would come up without it.
  for (const CPropertyPage* page : pages) {
    if ((page->m_psp.dwFlags & PSP_DLGINDIRECT) == 0 &&
        FindResourceW(page->m_psp.hInstance, page->m_psp.pszTemplate, RT_DIALOG) == nullptr) {
      CDebugLog::Log(LOG_ERROR, L"Property page template %u not found", page->pageTemplateId);
      return -1;
    }
  }
  caption = captionId != 0 ? FormatResourceString(captionId) : std::wstring();
  // A page without a title of its own carries the sheet's caption, which a wizard shows while the
  // page is active.
  for (CPropertyPage* page : pages) {
    if ((page->m_psp.dwFlags & PSP_USETITLE) != 0 || caption.empty()) continue;
    page->title = caption;
    page->m_psp.dwFlags |= PSP_USETITLE;
    page->m_psp.pszTitle = page->title.c_str();
  }
  std::vector<HPROPSHEETPAGE> handles;
  for (CPropertyPage* page : pages) {
    HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page->m_psp);
    if (handle == nullptr) {
      for (HPROPSHEETPAGE made : handles) DestroyPropertySheetPage(made);
      return -1;
    }
    handles.push_back(handle);
  }
  PROPSHEETHEADERW header = m_psh;
  header.dwFlags = (header.dwFlags | PSH_MODELESS | PSH_USECALLBACK) & ~PSH_PROPSHEETPAGE;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.phpage = handles.data();
  header.pfnCallback = &CPropertySheet::SheetCallback;
  if (header.nStartPage >= header.nPages) header.nStartPage = 0;
  endRequested = false;
  cancelled = false;
  endResult = IDCANCEL;

  t_sheetInCreation = this;
  const INT_PTR made = PropertySheetW(&header);  // takes the page handles, also on failure
  t_sheetInCreation = nullptr;
  HWND sheet = made > 0 ? reinterpret_cast<HWND>(made) : nullptr;
  // A malformed template leaves the sheet without its start page.
  if (sheet == nullptr || m_hWnd != sheet || PropSheet_GetCurrentPageHwnd(sheet) == nullptr) {
    if (sheet != nullptr) ::DestroyWindow(sheet);
    m_hWnd = nullptr;
    return -1;
  }

  HWND owner = header.hwndParent;
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(sheet, SW_SHOW);
  const INT_PTR result = RunModalLoop();
  if (disableOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
  DestroyWindow();
  m_hWnd = nullptr;
  return result;
}

}  // namespace ui
}  // namespace luma
