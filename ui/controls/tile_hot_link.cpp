#include "ui/controls/tile_hot_link.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <cryptuiapi.h>
#include <shellapi.h>
#include <wininet.h>
// clang-format on

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"
#include "ui/controls/cracked_url.h"
#include "ui/framework/worker_thread.h"
#include "ui/resources/ui_resource_ids.h"

namespace luma {
namespace ui {
namespace {

constexpr UINT kCertificateDetailsTitle = IDS_CERTIFICATE_DETAILS;
// No editing, no adding to a store, no complaint about an untrusted root, no help, and revocation
// answered from the cache only: the viewer only shows.
constexpr DWORD kViewerFlags = CRYPTUI_DISABLE_EDITPROPERTIES | CRYPTUI_DISABLE_ADDTOSTORE |
                               CRYPTUI_IGNORE_UNTRUSTED_ROOT | 0x00010000 /* no HTML help */ |
                               0x00040000 /* cache-only URL retrieval */;
constexpr DWORD kMaxCertificateBytes = 64 * 1024;

using ViewCertificateFunction = BOOL(WINAPI*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW, BOOL*);

void FreeCertificate(PCCERT_CONTEXT context) { CertFreeCertificateContext(context); }
using CCertificate = CUniqueHandle<handle_traits::NullEmpty<PCCERT_CONTEXT, FreeCertificate>>;

void ShowCertificateDialog(const CCertificate& certificate, HWND owner) {
  HMODULE cryptui = LoadLibraryW(L"cryptui.dll");
  if (cryptui == nullptr) return;
  auto view = reinterpret_cast<ViewCertificateFunction>(
      reinterpret_cast<void*>(GetProcAddress(cryptui, "CryptUIDlgViewCertificateW")));
  if (view != nullptr) {
    const std::wstring title = FormatResourceString(kCertificateDetailsTitle);
    CRYPTUI_VIEWCERTIFICATE_STRUCTW info = {};
    info.dwSize = sizeof(info);
    info.hwndParent = owner;
    info.dwFlags = kViewerFlags;
    info.szTitle = title.c_str();
    info.pCertContext = certificate.get();
    BOOL changed = FALSE;
    view(&info, &changed);  // the user only looks; nothing to report
  }
  FreeLibrary(cryptui);
}

}  // namespace

CTileHotLink::CTileHotLink(int id, bool enabled) {
  state.id = id;
  state.enabled = enabled;
}

void CTileHotLink::CreateToolTip(HWND owner) {
  toolTip.reset();
  if (toolTipText.empty() || owner == nullptr) return;
  toolTip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_BALLOON | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr));
  if (!toolTip) return;
  SetWindowPos(toolTip.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS | TTF_TRANSPARENT;
  tool.hwnd = owner;
  tool.rect = {state.area.left, state.area.top, state.area.right, state.area.bottom};
  tool.lpszText = const_cast<wchar_t*>(toolTipText.c_str());
  SendMessageW(toolTip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(toolTip.get(), TTM_SETMAXTIPWIDTH, 0, 150);
}

void CTileHotLink::ActivateToolTip(bool active) {
  if (toolTip) SendMessageW(toolTip.get(), TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

CTextHotLink::CTextHotLink(std::wstring linkText, std::wstring tip)
    : CTileHotLink(1, true), text(std::move(linkText)) {
  toolTipText = std::move(tip);
}

CCertViewHotlink::CCertViewHotlink(std::wstring text, const CSecureBuffer& encodedCertificate,
                                   std::wstring toolTip)
    : CTextHotLink(std::move(text), std::move(toolTip)) {
  if (encodedCertificate.size <= kMaxCertificateBytes) certificate = encodedCertificate;
  show = [](const CSecureBuffer& bytes, HWND owner) { StartCertificateViewer(bytes, owner); };
}

void CCertViewHotlink::OnClick(HWND control) {
  if (show) show(certificate, control);
}

CCertImageHotlink::CCertImageHotlink(int resourceId, std::unique_ptr<Gdiplus::Bitmap> picture,
                                     std::wstring toolTip)
    : CTileHotLink(resourceId, false), image(std::move(picture)) {
  toolTipText = std::move(toolTip);
}

CProviderManageHotlink::CProviderManageHotlink(std::wstring text, std::wstring address, std::wstring toolTip)
    : CTextHotLink(std::move(text), std::move(toolTip)), url(std::move(address)) {
  open = [](const std::wstring& target) {
    ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
}

void CProviderManageHotlink::OnClick(HWND) {
  if (!IsWebAddress(url)) {
    CDebugLog::Log(LOG_WARNING, L"The account management address is no web address; not opened");
    return;
  }
  if (open) open(url);
}

bool IsWebAddress(const std::wstring& url) {
  if (url.empty() || url.size() > INTERNET_MAX_URL_LENGTH) return false;
  const CCrackedUrl parts(url);
  return (parts.scheme == INTERNET_SCHEME_HTTP || parts.scheme == INTERNET_SCHEME_HTTPS) &&
         !parts.hostName.empty();
}

bool StartCertificateViewer(const CSecureBuffer& bytes, HWND owner) {
  if (bytes.empty() || bytes.size > kMaxCertificateBytes) return false;
  CCertificate parsed(CertCreateCertificateContext(X509_ASN_ENCODING, bytes.data, bytes.size));
  if (!parsed) return false;
  // The thread's own context, so that it outlives the tile and its page.
  auto own = std::make_shared<CCertificate>(CertCreateCertificateContext(
      X509_ASN_ENCODING, parsed.get()->pbCertEncoded, parsed.get()->cbCertEncoded));
  if (!*own) return false;
  return BeginThread([own, owner] { ShowCertificateDialog(*own, owner); });
}

}  // namespace ui
}  // namespace luma
