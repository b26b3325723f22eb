// The platform's WebBrowser control hosted in a child window of its own class. One hand-written COM
// object is the control's whole container: the OLE client and in-place site and frame, the document
// host's UI handler and message answers, the security callback, the command target and the sink of
// the browser's events. Everything the browser may decide on its own it asks the handler; it keeps one
// navigation context per browser frame and hands it to the handler with every event.
//
// The login leaves few traces: no navigation writes the history, the addresses it opened are deleted
// from the user's URL history when it closes, and closing also clears the document authentication
// cache and ends the process's browser session.
//
// Lifetime: reference counted; whoever creates it holds one reference, and its window holds another
// from creation until WM_NCDESTROY, so the window procedure never reaches a freed object. All of it
// runs on the thread that created the window.
#ifndef LUMA_UI_BROWSER_WEB_BROWSER_CONTROL_H_
#define LUMA_UI_BROWSER_WEB_BROWSER_CONTROL_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <docobj.h>
#include <urlhist.h>
#include <urlmon.h>
#include <wrl/client.h>
// clang-format on

#include <list>
#include <map>
#include <memory>
#include <string>

#include "ui/browser/navigation_context.h"
#include "ui/browser/web_dispatch_handler.h"

namespace luma::ui {

class CWebBrowserControl final : public IDispatch,
                                 public IServiceProvider,
                                 public IDocHostShowUI,
                                 public IDocHostUIHandler2,
                                 public IOleClientSite,
                                 public IOleInPlaceSite,
                                 public IOleInPlaceFrame,
                                 public IHttpSecurity,
                                 public IOleCommandTarget,
                                 public CBrowserView {
 public:
  static constexpr int kControlId = 1000;
  static constexpr const wchar_t* kClassName = L"lumaPassVWebBrowserControlClass";
  // DOCHOSTUIFLAG_DIALOG, DISABLE_HELP_MENU, NO3DBORDER, DISABLE_SCRIPT_INACTIVE, FLAT_SCROLLBAR,
  // LOCAL_MACHINE_ACCESS_CHECK, DISABLE_UNTRUSTEDPROTOCOL, ENABLE_REDIRECT_NOTIFICATION,
  // USE_WINDOWLESS_SELECTCONTROL, DPI_AWARE.
  static constexpr DWORD kHostFlags = 0x4D800097;
  // DLCTL_DLIMAGES, NO_JAVA, NO_RUNACTIVEXCTLS, NO_DLACTIVEXCTLS, RESYNCHRONIZE,
  // URL_ENCODING_ENABLE_UTF8.
  static constexpr LONG kDownloadControl = 0x42710;

  // A new control with one reference for the caller; null when out of memory.
  static Microsoft::WRL::ComPtr<CWebBrowserControl> Make(std::shared_ptr<AWebformDispatchHandler> handler);

  // Registers the window class when needed and creates the child window over the parent's client
  // area; the browser is made while the window is created. The wait page follows when the handler
  // asks for it. false when no window could be made.
  bool Create(HWND parent, HINSTANCE instance);
  // Navigates without history or cache entries; nothing without a URL, a browser or a handler.
  void Navigate(const wchar_t* url);
  // Tears the browser down and tells the handler, once; later calls do nothing. The control's own
  // window is destroyed last, unless it is already being destroyed.
  void Close();
  // Keys for the browser's accelerators (Tab and the like); true when the browser used the message.
  bool PreTranslateMessage(MSG* message);
  bool IsBusy();
  Microsoft::WRL::ComPtr<IHTMLDocument2> GetDocument();
  Microsoft::WRL::ComPtr<IWebBrowser2> GetWebBrowser() { return webBrowser; }
  static bool IsDocumentComplete(IHTMLDocument2* document, int depth = 0);

  HWND Window() const { return window; }
  bool HasBrowser() const { return webBrowser != nullptr; }
  // The browser existed and has been torn down (the handler was told).
  bool WasClosed() const { return closed; }
  const std::list<CCrackedUrl>& VisitedUrls() const { return visitedUrls; }
  // The answers of GetHostInfo and of the download-control ambient property for the handler.
  DWORD HostFlags() const;
  LONG DownloadControl() const;

  // CBrowserView
  void Navigate(const std::wstring& url) override { Navigate(url.c_str()); }
  void NavigateToResource(const std::wstring& page) override;
  bool IsTopLevel(const CNavigationContext& context) override;
  bool IsDocumentComplete() override;
  bool SetElementInnerHtml(const std::wstring& id, const std::wstring& html) override;
  bool SetBodyInnerHtml(const std::wstring& html) override;
  bool DocumentHasBodyText() override;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch: the browser's events
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_FAIL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_FAIL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                      UINT*) override;
  // IServiceProvider
  STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** object) override;
  // IDocHostShowUI
  STDMETHODIMP ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT* result) override;
  STDMETHODIMP ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override { return S_OK; }
  // IDocHostUIHandler2
  STDMETHODIMP ShowContextMenu(DWORD id, POINT*, IUnknown*, IDispatch*) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID*, DWORD) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget**) override { return S_FALSE; }
  STDMETHODIMP GetExternal(IDispatch** dispatch) override;
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override;
  STDMETHODIMP GetOverrideKeyPath(LPOLESTR* key, DWORD) override;
  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IOleWindow (the in-place site's and the frame's)
  STDMETHODIMP GetWindow(HWND* handle) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override;
  // IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }
  // IHttpSecurity
  STDMETHODIMP GetWindow(REFGUID, HWND* handle) override;
  STDMETHODIMP OnSecurityProblem(DWORD problem) override;
  // IOleCommandTarget
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override;
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) override;

 private:
  explicit CWebBrowserControl(std::shared_ptr<AWebformDispatchHandler> handler);
  ~CWebBrowserControl();
  CWebBrowserControl(const CWebBrowserControl&) = delete;
  CWebBrowserControl& operator=(const CWebBrowserControl&) = delete;

  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateBrowser();
  void CloseBrowser(bool windowBeingDestroyed);
  void EnableBrowserWindow();
  void DisableBrowserWindow();
  void OnBeforeNavigate(DISPPARAMS& parameters);
  void OnNavigationEvent(DISPPARAMS& parameters, int event);
  void OnNavigateError(DISPPARAMS& parameters);
  std::shared_ptr<CNavigationContext> ContextOf(IDispatch* dispatch) const;

  volatile LONG refCount = 0;
  int controlId = 0;
  DWORD adviseCookie = 0;
  std::shared_ptr<AWebformDispatchHandler> handler;
  Microsoft::WRL::ComPtr<IOleObject> oleObject;
  Microsoft::WRL::ComPtr<IWebBrowser2> webBrowser;
  Microsoft::WRL::ComPtr<IUrlHistoryStg> urlHistory;
  std::list<CCrackedUrl> visitedUrls;
  HWND window = nullptr;
  std::map<IDispatch*, std::shared_ptr<CNavigationContext>> navigationContexts;
  std::shared_ptr<CNavigationContext> currentContext;
  bool closed = false;
};

}  // namespace luma::ui

#endif  // LUMA_UI_BROWSER_WEB_BROWSER_CONTROL_H_
