// The account list: every account of every provider as a group of a report list, one row per
// certificate with its expiry date and status, and the buttons that add, refresh and remove accounts,
// change a certificate's password, show its details, open the provider's self-service page and (when
// allowed) enable or disable certificates with check boxes. Modal on the main thread; the main frame
// posts it "WM_POLICY_INFORMATION_UPDATED" on every policy change and closes it with WM_CLOSE. What
// the rows show and which buttons are enabled is decided by ui/core's account list model.
#ifndef LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
#define LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "policy/config/lumapassv_config.h"
#include "service/auth/auth_context.h"
#include "service/ui/account_dialog_layout.h"
#include "service/ui/account_list_sheets.h"
#include "service/ui/main_frame_host.h"
#include "ui/controls/image_controls.h"
#include "ui/core/account_list_rows.h"
#include "ui/core/window_geometry.h"
#include "ui/framework/dialog.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

// What the list needs of the program around it.
class CAccountListHost {
 public:
  virtual void OnAppAbout() = 0;
  // Called after each refresh, with false.
  virtual void UpdateTrayStatus(bool notify) = 0;
  // Product name and version for the about icon's tip.
  virtual std::wstring VersionText() const = 0;

 protected:
  ~CAccountListHost() = default;
};

// The calls whose effect a test observes or replaces: message boxes, the shell, the sheets and the
// viewer the buttons start, and where the layout is kept.
struct CAccountListSystem {
  std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
      messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
      };
  std::function<void(const std::wstring& url)> openUrl;
  std::function<INT_PTR(CBasePropertySheet& sheet)> runSheet = [](CBasePropertySheet& sheet) {
    return sheet.DoModal();
  };
  std::function<CAccountSheet(HWND parent, const CProviderContextMap& contexts)> makeAddWizard =
      MakeAddAccountWizard;
  std::function<CAccountSheet(HWND parent, const CAuthContext& context)> makeRefreshWizard =
      MakeRefreshAccountWizard;
  std::function<CAccountSheet(HWND parent, const CAuthContext& context)> makePinChange = MakePinChangeSheet;
  std::function<void(HWND owner, const CCertificatePolicy& certificate, const CPolicy& policy,
                     const CLumaPassVConfig& settings)>
      showDetails = ShowCertificateDetails;
  std::wstring layoutKey = CAccountDialogLayout::kKeyPath;
};

class CAccountListDialog : public CDialog {
 public:
  // Creates no window and reads no setting; null settings: the defaults; null host: no tray update
  // and no About box.
  CAccountListDialog(HWND parent, const CProviderContextMap& contexts,
                     std::shared_ptr<const CLumaPassVConfig> settings = nullptr,
                     CAccountListHost* host = nullptr, CAccountListSystem system = CAccountListSystem());
  ~CAccountListDialog() override;

  // Runs the dialog owned by the frame (or `owner` when given); below 0 when it could not be shown.
  INT_PTR DoModal(HWND owner = nullptr) override;
  // True while the list shows a dialog or message box of its own.
  bool IsBusy() const { return busy; }

  // Rebuilds the rows from the providers' current policies, keeping the selected certificate.
  void RefreshList();
  // The selected row's provider, account and certificate; with no selection the error box of
  // string 10065 and an empty context.
  CAuthContext GetSelectedAuthContext();
  void UpdateButtons(bool selected, LPARAM key);
  void OnCertificateCheckChanged(int item, bool checked);

  HWND ListControl() const { return GetDlgItem(kListId); }
  // The rows of the last refresh, in insertion order.
  const accounts::AccountListRows& Rows() const { return rows; }

  static constexpr int kListId = 1003;

 protected:
  std::atomic<bool> busy{false};

  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  class CAboutToolTip : public CInfoToolTip {
   public:
    explicit CAboutToolTip(CAccountListDialog& owner) : owner(owner) {}
    void OnClicked() override { owner.ShowAbout(); }

   private:
    CAccountListDialog& owner;
  };

  struct RowLink {
    CProviderContextPtr provider;
    CPolicyPtr policy;
    CCertificatePolicyPtr certificate;
  };

  void LoadImages();
  void ChooseSizes();
  void SetUpImagesAndStyles();
  void FitHeightToGroups();
  void PlaceWindow();
  void OnSize(int cx, int cy);
  void OnDestroy();
  void OnAdd();
  void OnDetails();
  void OnChangePin();
  void OnRemove();
  void OnRefresh();
  void OnManage();
  void OnItemChanged(const NMLISTVIEW& change);
  void ShowAbout();
  void RunSheet(CAccountSheet sheet);
  void DisableAccountButtons();
  CProviderContextPtr FindProvider(const CPolicy& policy) const;
  LPARAM SelectionMarkKey() const;
  std::wstring ValidityText(const CCertificatePolicy& certificate) const;

  HWND parent;
  const CProviderContextMap& contexts;
  std::shared_ptr<const CLumaPassVConfig> settings;
  CAccountListHost* host;
  CAccountListSystem system;

  CFontHandle font;
  CIconHandle smallIcon;
  CIconHandle largeIcon;
  CBitmapHandle images[3];
  std::map<int, RowLink> rowLinks;
  accounts::AccountListRows rows;
  CWnd* childWindow = nullptr;
  RECT initialWindow = {};
  RECT initialClient = {};
  RECT initialList = {};
  CAboutToolTip aboutIcon{*this};
  accounts::ResizeMetrics resizeMetrics;
  bool resizeReady = false;
  CDpiScale dpi;
  bool skipNextRefresh = false;
  bool filling = false;
  int chosenWidth = 0;
  int statusWidth = 0;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_SERVICE_UI_ACCOUNT_LIST_DIALOG_H_
