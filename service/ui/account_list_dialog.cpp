#include "service/ui/account_list_dialog.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>
// clang-format on

#include <list>

#include "foundation/win/debug_log.h"
#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"
#include "service/ui/main_frame.h"
#include "service/ui/ui_resource_ids.h"
#include "ui/controls/gdiplus_bitmap.h"
#include "ui/core/account_list_layout.h"
#include "ui/framework/app_window.h"
#include "ui/framework/window_helpers.h"

namespace luma {
namespace ui {
namespace {

constexpr UINT kAboutCommand = ID_APP_ABOUT;
constexpr int kAccountButtons[] = {IDC_ACCOUNT_DETAILS, IDC_ACCOUNT_CHANGE_PIN, IDC_ACCOUNT_REMOVE,
                                   IDC_ACCOUNT_REFRESH, IDC_ACCOUNT_MANAGE};
// The controls right of the list, which keep their distance from the right edge.
constexpr int kRightControls[] = {IDC_ACCOUNT_CERT_LABEL, IDC_ACCOUNT_ACCOUNT_LABEL, IDC_ACCOUNT_DETAILS,
                                  IDC_ACCOUNT_CHANGE_PIN, IDC_ACCOUNT_ADD,           IDC_ACCOUNT_REMOVE,
                                  IDC_ACCOUNT_REFRESH,    IDC_ACCOUNT_MANAGE};
constexpr UINT kRowPictures[3] = {IDB_ROW_GOOD, IDB_ROW_ATTENTION, IDB_ROW_ACTION};
constexpr UINT kToolTipDelay = 1200;

std::shared_ptr<const CLumaPassVConfig> OrDefaults(std::shared_ptr<const CLumaPassVConfig> settings) {
  return settings ? settings : std::make_shared<const CLumaPassVConfig>();
}

RECT WindowRectOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

// The control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND control) {
  RECT rect = WindowRectOf(control);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void SetListText(HWND list, int item, int column, const std::wstring& text) {
  LVITEMW entry = {};
  entry.iSubItem = column;
  entry.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
}

LPARAM ItemData(HWND list, int item) {
  LVITEMW entry = {};
  entry.mask = LVIF_PARAM;
  entry.iItem = item;
  if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry))) return 0;
  return entry.lParam;
}

void SetItemState(HWND list, int item, UINT state, UINT mask) {
  LVITEMW entry = {};
  entry.state = state;
  entry.stateMask = mask;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
}

// A picture of the small-icon size over white, or a white square when the resource does not load, so
// that the image list keeps its order.
HBITMAP MakeRowPicture(UINT resourceId, int width, int height) {
  CGdiPlusBitmapResource picture;
  if (picture.Load(resourceId, CAppWindow::ResourceModule())) {
    const RECT rect = {0, 0, width, height};
    if (std::unique_ptr<Gdiplus::Bitmap> fitted = FitBitmapToRect(*picture.Get(), rect, 0, 0, true)) {
      HBITMAP bitmap = nullptr;
      if (fitted->GetHBITMAP(Gdiplus::Color(0), &bitmap) == Gdiplus::Ok) return bitmap;
    }
  }
  CDebugLog::Log(LOG_WARNING, L"Account list picture %u could not be loaded", resourceId);
  CWindowDc screen(nullptr);
  HBITMAP blank = CreateCompatibleBitmap(screen.get(), width, height);
  if (blank != nullptr) {
    CMemoryDcHandle dc(CreateCompatibleDC(screen.get()));
    CSelectObject select(dc.get(), blank);
    const RECT rect = {0, 0, width, height};
    FillRect(dc.get(), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  return blank;
}

}  // namespace

CAccountListDialog::CAccountListDialog(HWND parentWindow, const CProviderContextMap& providerContexts,
                                       std::shared_ptr<const CLumaPassVConfig> config,
                                       CAccountListHost* owner, CAccountListSystem systemCalls)
    : CDialog(IDD_ACCOUNT_LIST, CAppWindow::ResourceModule()),
      parent(parentWindow),
      contexts(providerContexts),
      settings(OrDefaults(std::move(config))),
      host(owner),
      system(std::move(systemCalls)) {
  if (!system.openUrl) {
    system.openUrl = [](const std::wstring& url) {
      ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
  }
}

CAccountListDialog::~CAccountListDialog() { aboutIcon.DestroyWindow(); }

INT_PTR CAccountListDialog::DoModal(HWND owner) {
  return CDialog::DoModal(owner != nullptr ? owner : parent);
}

BOOL CAccountListDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetText(FormatResourceString(IDS_ACCOUNT_LIST_CAPTION));
  const std::pair<int, UINT> texts[] = {
      {IDC_ACCOUNT_CERT_LABEL, IDS_CERTIFICATE_LABEL},
      {IDC_ACCOUNT_DETAILS, IDS_DETAILS},
      {IDC_ACCOUNT_CHANGE_PIN, IDS_CHANGE_PIN},
      {IDC_ACCOUNT_ACCOUNT_LABEL, IDS_ACCOUNT_LABEL},
      {IDC_ACCOUNT_ADD, IDS_ADD},
      {IDC_ACCOUNT_REMOVE, IDS_REMOVE},
      {IDC_ACCOUNT_REFRESH, IDS_REFRESH},
      {IDC_ACCOUNT_MANAGE, IDS_MANAGE},
  };
  for (const auto& text : texts)
    SetDlgItemTextW(m_hWnd, text.first, FormatResourceString(text.second).c_str());

  smallIcon.reset(LoadIconAtMetric(IDI_LUMAPASSV, true));
  largeIcon.reset(LoadIconAtMetric(IDI_LUMAPASSV, false));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.get()));

  MeasureWindowDpi(m_hWnd, dpi);
  aboutIcon.Attach(m_hWnd, IDC_ACCOUNT_ABOUT);
  aboutIcon.SetText(FormatResourceString(IDS_ABOUT_TIP, host != nullptr ? host->VersionText().c_str() : L""));
  font = CreateDialogFont(dpi);
  SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  LoadImages();

  initialWindow = WindowRectOf(m_hWnd);
  GetClientRect(m_hWnd, &initialClient);
  MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&initialClient), 2);

  ChooseSizes();
  SetUpImagesAndStyles();
  initialList = WindowRectOf(ListControl());
  RefreshList();
  DisableAccountButtons();

  // Distances kept on resizing, from the client area's right and bottom edges.
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  const RECT icon = ChildRect(m_hWnd, GetDlgItem(IDC_ACCOUNT_ABOUT));
  const RECT details = ChildRect(m_hWnd, GetDlgItem(IDC_ACCOUNT_DETAILS));
  resizeMetrics.initialClientWidth = initialClient.right - initialClient.left;
  resizeMetrics.initialListWidth = initialList.right - initialList.left;
  resizeMetrics.buttonOffsetFromRight = client.right - details.left;
  resizeMetrics.iconRightMargin = client.right - icon.right;
  resizeMetrics.iconBottomMargin = client.bottom - icon.bottom;
  resizeMetrics.iconWidth = icon.right - icon.left;
  resizeMetrics.iconHeight = icon.bottom - icon.top;
  resizeReady = true;

  const int currentWidth = initialWindow.right - initialWindow.left;
  if (currentWidth < chosenWidth) {
    SetWindowPos(m_hWnd, nullptr, 0, 0, chosenWidth, initialWindow.bottom - initialWindow.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
  SetFontToDescendants(font.get());
  FitHeightToGroups();
  PlaceWindow();

  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, FormatResourceString(IDS_ABOUT_CAPTION).c_str());
  }
  return TRUE;
}

void CAccountListDialog::LoadImages() {
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  for (int i = 0; i < 3; ++i) images[i].reset(MakeRowPicture(kRowPictures[i], width, height));
}

void CAccountListDialog::ChooseSizes() {
  std::optional<accounts::AccountDialogLayout> saved;
  if (settings->SaveAccountDialogPos) {
    const std::wstring signature = GetDisplaySignature(m_hWnd);
    CAccountDialogLayout layout(system.layoutKey);
    if (!signature.empty() && layout.Load(signature)) saved = layout.record;
  }
  accounts::WidthSettings widths;
  widths.dialogWidth = settings->AccountDialogWidth;
  widths.certificateWidth = settings->AccountListCertColWidth;
  widths.validityWidth = settings->AccountListValidityColWidth;
  widths.statusWidth = settings->AccountListStatusColWidth;
  const int currentWidth = initialWindow.right - initialWindow.left;
  const accounts::ChosenWidths chosen = accounts::ChooseWidths(saved, widths, dpi, currentWidth);
  chosenWidth = chosen.window;

  HWND list = ListControl();
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  statusWidth = chosen.status;
  if (statusWidth == 0) {
    RECT listClient = {};
    GetClientRect(list, &listClient);
    statusWidth =
        accounts::StatusColumnWidth(listClient.right, chosenWidth, currentWidth,
                                    GetSystemMetrics(SM_CXVSCROLL), chosen.certificate, chosen.validity, dpi);
  }
  const std::pair<UINT, int> columns[] = {{IDS_COLUMN_CERTIFICATE, chosen.certificate},
                                          {IDS_COLUMN_VALID_TILL, chosen.validity},
                                          {IDS_COLUMN_STATUS, statusWidth}};
  for (int i = 0; i < 3; ++i) {
    const std::wstring title = FormatResourceString(columns[i].first);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].second;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
}

void CAccountListDialog::SetUpImagesAndStyles() {
  HWND list = ListControl();
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  // The list destroys its image list with itself.
  if (HIMAGELIST imageList = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 3, 1)) {
    for (const CBitmapHandle& image : images) ImageList_AddMasked(imageList, image.get(), RGB(255, 255, 255));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(imageList));
  }
  DWORD styles = LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER;
  if (settings->AllowDisablingCertificates) styles |= LVS_EX_CHECKBOXES;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
  if (HWND tip = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETTOOLTIPS, 0, 0))) {
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, kToolTipDelay);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_RESHOW, kToolTipDelay);
  }
  SendMessageW(list, LVM_ENABLEGROUPVIEW, TRUE, 0);
}

void CAccountListDialog::FitHeightToGroups() {
  HWND list = ListControl();
  accounts::HeightInputs in;
  in.groupCount = static_cast<int>(rows.groups.size());
  for (const accounts::AccountGroup& group : rows.groups) {
    RECT rect = {};
    rect.top = LVGGR_GROUP;
    if (SendMessageW(list, LVM_GETGROUPRECT, static_cast<WPARAM>(group.id),
                     reinterpret_cast<LPARAM>(&rect))) {
      in.groupHeights += rect.bottom - rect.top;
    }
  }
  if (HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0))) {
    const RECT rect = WindowRectOf(header);
    in.headerHeight = rect.bottom - rect.top;
  }
  in.scrollBarHeight = GetSystemMetrics(SM_CXHSCROLL);
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  in.clientHeight = client.bottom;
  in.initialWindowHeight = initialWindow.bottom - initialWindow.top;
  const RECT desktop = WindowRectOf(GetDesktopWindow());
  in.desktopHeight = desktop.bottom - desktop.top;
  RECT taskbar = {};
  const int edge = GetTaskbarEdge(&taskbar);
  if (edge == kEdgeTop || edge == kEdgeBottom) in.taskbarHeight = taskbar.bottom - taskbar.top;
  if (const std::optional<int> height = accounts::FittingWindowHeight(in, dpi)) {
    SetWindowPos(m_hWnd, nullptr, 0, 0, chosenWidth, *height, SWP_NOMOVE | SWP_NOZORDER);
  }
}

void CAccountListDialog::PlaceWindow() {
  if (settings->PositionRelativeToTrayArea) {
    HWND overflow = FindWindowW(L"NotifyIconOverflowWindow", nullptr);
    if (overflow != nullptr && IsWindowVisible(overflow)) ShowWindow(overflow, SW_HIDE);
    if (!MoveWindowNearTaskbar(m_hWnd, ScaleByDpi(dpi, 8))) CenterWindowOnScreen(m_hWnd);
  } else {
    CenterWindowOnScreen(m_hWnd);
  }
  SetForegroundWindow(m_hWnd);
}

CProviderContextPtr CAccountListDialog::FindProvider(const CPolicy& policy) const {
  const auto found = contexts.find(policy.providerName);
  return found != contexts.end() ? found->second : nullptr;
}

std::wstring CAccountListDialog::ValidityText(const CCertificatePolicy& certificate) const {
  PCCERT_CONTEXT context = certificate.descriptor.GetCertificate();
  if (context == nullptr || context->pCertInfo == nullptr) return std::wstring();
  SYSTEMTIME utc = {};
  SYSTEMTIME local = {};
  if (!FileTimeToSystemTime(&context->pCertInfo->NotAfter, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) || local.wYear < 1900) {
    // Shown as the date of time value 0, as a date before 1900 cannot be.
    const FILETIME epoch = {0xD53E8000u, 0x019DB1DEu};  // 1970-01-01 00:00 UTC
    FileTimeToSystemTime(&epoch, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  }
  // The date format is a strftime text, not a printf one: taken as it stands.
  const std::wstring format =
      LookupStringResource(CAppWindow::ResourceModule(), GetEffectiveUILanguage(), IDS_VALIDITY_DATE_FORMAT);
  return accounts::FormatDate(format, local.wYear, local.wMonth, local.wDay);
}

void CAccountListDialog::RefreshList() {
  if (skipNextRefresh) {
    skipNextRefresh = false;
    return;
  }
  HWND list = ListControl();
  CCertificatePolicyPtr remembered;
  const LPARAM markKey = SelectionMarkKey();
  if (markKey != 0) {
    const auto link = rowLinks.find(static_cast<int>(markKey));
    if (link != rowLinks.end()) remembered = link->second.certificate;
  }

  filling = true;
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list, LVM_REMOVEALLGROUPS, 0, 0);
  rowLinks.clear();

  // Facts of every provider and account, in map order; the model sorts them.
  std::vector<CProviderContextPtr> providers;
  std::vector<std::vector<CPolicyPtr>> policies;
  std::vector<accounts::ProviderFacts> facts;
  for (const auto& entry : contexts) {
    std::list<CPolicyPtr> stored;
    entry.second->GetPolicies(stored);  // copied under the provider's lock
    accounts::ProviderFacts provider;
    provider.displayName = entry.second->config.Name;
    provider.keyName = entry.second->config.name;
    std::vector<CPolicyPtr> accountPolicies;
    for (const CPolicyPtr& policy : stored) {
      accounts::AccountFacts account;
      account.issuerId = policy->issuerId;
      account.userFriendlyName = policy->userFriendlyName;
      account.userId = policy->userId;
      account.outdated = policy->IsOutdated();
      account.daysUntilNextUpdate = policy->GetDaysUntilNextUpdate();
      for (const CCertificatePolicyPtr& certificate : policy->certificatePolicies) {
        accounts::CertificateFacts certificateFacts;
        certificateFacts.friendlyName = certificate->friendlyName;
        certificateFacts.hasPin = !certificate->pinPolicy.HasNoPin();
        certificateFacts.pinChangeDue = certificate->pinPolicy.IsPinChangeDue();
        certificateFacts.daysUntilPinChange = certificate->pinPolicy.GetDaysUntilPinChange();
        account.certificates.push_back(certificateFacts);
      }
      provider.accounts.push_back(account);
      accountPolicies.push_back(policy);
    }
    providers.push_back(entry.second);
    policies.push_back(accountPolicies);
    facts.push_back(provider);
  }
  accounts::ReminderDays reminders;
  reminders.refresh = settings->NotifyRefreshDaysBefore;
  reminders.pinChange = settings->NotifyPINChangeDaysBefore;
  rows = accounts::BuildAccountListRows(facts, reminders);

  for (const accounts::AccountGroup& group : rows.groups) {
    LVGROUP header = {};
    header.cbSize = sizeof(header);
    header.mask = LVGF_HEADER | LVGF_FOOTER | LVGF_SUBTITLE | LVGF_GROUPID | LVGF_ALIGN | LVGF_STATE;
    std::wstring headerText = group.header;
    std::wstring footer = L" ";
    std::wstring subtitle = group.subtitle;
    header.pszHeader = &headerText[0];
    header.pszFooter = &footer[0];
    header.pszSubtitle = &subtitle[0];
    header.iGroupId = group.id;
    header.uAlign = LVGA_HEADER_RIGHT;
    header.state = 0;
    SendMessageW(list, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&header));
  }

  for (const accounts::AccountRow& row : rows.rows) {
    RowLink link;
    link.provider = providers[row.provider];
    link.policy = policies[row.provider][row.account];
    link.certificate = row.certificate >= 0
                           ? link.policy->certificatePolicies[static_cast<std::size_t>(row.certificate)]
                           : std::make_shared<CCertificatePolicy>();
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_INDENT | LVIF_GROUPID | LVIF_PARAM;
    item.iItem = 0;
    std::wstring name = row.certificate >= 0 ? row.name : FormatResourceString(accounts::kTextNoCertificates);
    item.pszText = &name[0];
    item.iImage = static_cast<int>(row.state.image);
    item.iIndent = 0;
    item.iGroupId = row.groupId;
    item.lParam = row.key;
    const int index =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) continue;
    if (row.certificate >= 0) {
      if (settings->AllowDisablingCertificates) {
        SetItemState(list, index, INDEXTOSTATEIMAGEMASK(link.certificate->enabled ? 2 : 1),
                     LVIS_STATEIMAGEMASK);
      }
      SetListText(list, index, 1, ValidityText(*link.certificate));
      SetListText(list, index, 2, FormatResourceString(row.state.status.id, row.state.status.number));
    } else if (settings->AllowDisablingCertificates) {
      SetItemState(list, index, 0,
                   LVIS_STATEIMAGEMASK);  // nothing to enable on an account without certificates
    }
    rowLinks[row.key] = std::move(link);
  }
  filling = false;

  if (host != nullptr) host->UpdateTrayStatus(false);

  if (remembered) {
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto link = rowLinks.find(static_cast<int>(ItemData(list, i)));
      if (link == rowLinks.end() || !(*link->second.certificate == *remembered)) continue;
      SetItemState(list, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      SendMessageW(list, LVM_SETSELECTIONMARK, 0, i);
      break;
    }
  }
}

LPARAM CAccountListDialog::SelectionMarkKey() const {
  HWND list = ListControl();
  const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  return mark < 0 ? 0 : ItemData(list, mark);
}

CAuthContext CAccountListDialog::GetSelectedAuthContext() {
  const int mark = static_cast<int>(SendMessageW(ListControl(), LVM_GETSELECTIONMARK, 0, 0));
  if (mark < 0) {
    system.messageBox(m_hWnd, FormatResourceString(IDS_SELECT_ACCOUNT), FormatResourceString(IDS_APP_TITLE),
                      MB_OK | MB_ICONERROR);
    return CAuthContext();
  }
  const auto link = rowLinks.find(static_cast<int>(ItemData(ListControl(), mark)));
  if (link == rowLinks.end() || !link->second.policy) return CAuthContext();
  CProviderContextPtr provider = FindProvider(*link->second.policy);
  if (!provider) return CAuthContext();
  CCertificatePolicyPtr certificate =
      link->second.certificate ? link->second.certificate : std::make_shared<CCertificatePolicy>();
  return CAuthContext(provider, link->second.policy, certificate);
}

void CAccountListDialog::DisableAccountButtons() {
  for (int id : kAccountButtons) EnableDlgItem(id, FALSE);
}

void CAccountListDialog::UpdateButtons(bool selected, LPARAM key) {
  if (selected && key == 0) key = SelectionMarkKey();
  accounts::SelectedRowFacts facts;
  const auto link = rowLinks.find(static_cast<int>(key));
  if (key != 0 && link != rowLinks.end()) {
    facts.known = true;
    facts.hasAlias = !link->second.certificate->alias.empty();
    facts.hasPin = !link->second.certificate->pinPolicy.HasNoPin();
    const CProviderContextPtr provider = FindProvider(*link->second.policy);
    facts.hasManagementUrl = provider && !provider->config.AccountManagementURL.empty();
  }
  const accounts::ButtonStates states = accounts::ComputeButtonStates(selected, facts);
  EnableDlgItem(IDC_ACCOUNT_DETAILS, states.details);
  EnableDlgItem(IDC_ACCOUNT_CHANGE_PIN, states.changePin);
  EnableDlgItem(IDC_ACCOUNT_REMOVE, states.remove);
  EnableDlgItem(IDC_ACCOUNT_REFRESH, states.refresh);
  EnableDlgItem(IDC_ACCOUNT_MANAGE, states.manage);
}

void CAccountListDialog::OnCertificateCheckChanged(int item, bool checked) {
  if (!settings->AllowDisablingCertificates || filling) return;
  const auto link = rowLinks.find(static_cast<int>(ItemData(ListControl(), item)));
  if (link == rowLinks.end() || link->second.certificate->alias.empty()) return;
  const CCertificatePolicyPtr certificate = link->second.certificate;
  if (certificate->enabled == checked) return;
  const CProviderContextPtr provider = FindProvider(*link->second.policy);
  if (!provider) return;
  // The provider's notification comes back as a refresh; skipping it keeps the row as the user left it.
  skipNextRefresh = true;
  provider->SetCertificateEnabled(*certificate, checked);
  // The row's certificate is the provider's own: unchanged means it was not found and no
  // notification will come to be skipped.
  if (certificate->enabled != checked) skipNextRefresh = false;
}

void CAccountListDialog::OnItemChanged(const NMLISTVIEW& change) {
  if ((change.uChanged & LVIF_STATE) == 0 || filling) return;
  const accounts::ItemChange decoded = accounts::DecodeItemChange(change.uOldState, change.uNewState);
  if (decoded.check != accounts::CheckChange::kNone) {
    OnCertificateCheckChanged(change.iItem, decoded.check == accounts::CheckChange::kChecked);
  }
  if (decoded.selectionChanged) UpdateButtons(decoded.selected, change.lParam);
}

void CAccountListDialog::RunSheet(CAccountSheet sheet) {
  if (!sheet.sheet) return;
  childWindow = sheet.sheet.get();
  system.runSheet(*sheet.sheet);
  childWindow = nullptr;
}

void CAccountListDialog::OnAdd() {
  busy = true;
  RunSheet(system.makeAddWizard(m_hWnd, contexts));
  SetForegroundWindow(m_hWnd);
  busy = false;
}

void CAccountListDialog::OnDetails() {
  const CAuthContext context = GetSelectedAuthContext();
  if (context.GetPolicy()->userId.empty() || context.certificatePolicy->alias.empty()) return;
  busy = true;
  system.showDetails(m_hWnd, *context.certificatePolicy, *context.GetPolicy(), *settings);
  SetForegroundWindow(m_hWnd);
  busy = false;
}

void CAccountListDialog::OnChangePin() {
  const CAuthContext context = GetSelectedAuthContext();
  if (context.GetPolicy()->userId.empty() || context.certificatePolicy->alias.empty()) return;
  busy = true;
  RunSheet(system.makePinChange(m_hWnd, context));
  SetForegroundWindow(m_hWnd);
  busy = false;
}

void CAccountListDialog::OnRemove() {
  const CAuthContext context = GetSelectedAuthContext();
  const CPolicyPtr policy = context.GetPolicy();
  if (policy->userId.empty()) return;
  busy = true;
  const std::wstring question =
      FormatResourceString(IDS_REMOVE_ACCOUNT_QUESTION, policy->userFriendlyName.c_str(),
                           context.GetProviderContext()->config.Name.c_str());
  // Only a clear Yes removes: a box that could not be shown (0) removes nothing.
  if (system.messageBox(m_hWnd, question, FormatResourceString(IDS_APP_TITLE), MB_YESNO | MB_ICONQUESTION) ==
      IDYES) {
    context.GetProviderContext()->RemovePolicy(*policy);
    SetForegroundWindow(m_hWnd);
    DisableAccountButtons();
  }
  busy = false;
}

void CAccountListDialog::OnRefresh() {
  const CAuthContext context = GetSelectedAuthContext();
  if (context.GetPolicy()->userId.empty()) return;
  busy = true;
  RunSheet(system.makeRefreshWizard(m_hWnd, context));
  SetForegroundWindow(m_hWnd);
  busy = false;
}

void CAccountListDialog::OnManage() {
  const CAuthContext context = GetSelectedAuthContext();
  const std::wstring& url = context.GetProviderContext()->config.AccountManagementURL;
  if (context.GetPolicy()->userId.empty() || url.empty()) return;
  system.openUrl(url);
}

void CAccountListDialog::ShowAbout() {
  if (host != nullptr) host->OnAppAbout();
}

void CAccountListDialog::OnSize(int cx, int cy) {
  if (!resizeReady) return;
  const accounts::ResizedLayout layout = accounts::LayOutForSize(cx, cy, resizeMetrics);
  MoveWindow(ListControl(), layout.list.left, layout.list.top, layout.list.Width(), layout.list.Height(),
             TRUE);
  for (int id : kRightControls) {
    HWND control = GetDlgItem(id);
    if (control == nullptr) continue;
    const RECT rect = ChildRect(m_hWnd, control);
    MoveWindow(control, layout.buttonsLeft, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  }
  if (HWND icon = GetDlgItem(IDC_ACCOUNT_ABOUT)) {
    MoveWindow(icon, layout.icon.left, layout.icon.top, layout.icon.Width(), layout.icon.Height(), TRUE);
  }
}

void CAccountListDialog::OnDestroy() {
  if (!settings->SaveAccountDialogPos || m_hWnd == nullptr) return;
  HWND list = ListControl();
  const RECT window = WindowRectOf(m_hWnd);
  CAccountDialogLayout layout(system.layoutKey);
  layout.record.windowWidth = window.right - window.left;
  layout.record.windowHeight = window.bottom - window.top;
  layout.record.certificateWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  layout.record.validityWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  layout.record.statusWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
  if (!layout.SaveForWindow(m_hWnd)) CDebugLog::Log(LOG_DEBUG, L"The account list's layout was not saved");
}

bool CAccountListDialog::OnCommand(UINT id, UINT code, HWND control) {
  if (code != BN_CLICKED) return CDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_ACCOUNT_ADD:
      OnAdd();
      return true;
    case IDC_ACCOUNT_DETAILS:
      OnDetails();
      return true;
    case IDC_ACCOUNT_CHANGE_PIN:
      OnChangePin();
      return true;
    case IDC_ACCOUNT_REMOVE:
      OnRemove();
      return true;
    case IDC_ACCOUNT_REFRESH:
      OnRefresh();
      return true;
    case IDC_ACCOUNT_MANAGE:
      OnManage();
      return true;
    default:
      return CDialog::OnCommand(id, code, control);
  }
}

bool CAccountListDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == CMainFrame::PolicyInformationUpdatedMessage()) {
    RefreshList();
    result = 0;
    return true;
  }
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header == nullptr || header->idFrom != static_cast<UINT_PTR>(kListId)) break;
      if (header->code == LVN_ITEMCHANGED) {
        OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        result = 0;
        return true;
      }
      if (header->code == NM_DBLCLK) {
        OnDetails();
        result = 0;
        return true;
      }
      break;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kAboutCommand) {
        ShowAbout();
        result = 0;
        return true;
      }
      break;
    case WM_CLOSE:
      // A wizard or sheet started from the list closes first; then the list.
      if (busy && childWindow != nullptr && childWindow->GetSafeHwnd() != nullptr) {
        SendMessageW(childWindow->GetSafeHwnd(), WM_CLOSE, 0, 0);
      }
      EndDialog(IDCANCEL);
      result = 0;
      return true;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const int width = initialWindow.right - initialWindow.left;
      const int height = initialWindow.bottom - initialWindow.top;
      if (width > 0) info->ptMinTrackSize.x = width;
      if (height > 0) info->ptMinTrackSize.y = height;
      result = 0;
      return true;
    }
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      result = 0;
      return true;
    default:
      break;
  }
  return CDialog::DialogProc(message, wParam, lParam, result);
}

}  // namespace ui
}  // namespace luma
