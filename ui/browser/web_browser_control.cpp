#include "ui/browser/web_browser_control.h"

// windows.h first.
// clang-format off
#include <windows.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <oleauto.h>
#include <shlguid.h>
#include <strsafe.h>
#include <wininet.h>
// clang-format on

#include <new>
#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/debug_log.h"
#include "ui/browser/web_helpers.h"
#include "ui/core/browser_keys.h"

namespace luma::ui {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DWORD kSuppressCookiePersist = 3;  // INTERNET_SUPPRESS_COOKIE_PERSIST
constexpr LONG kNavigateFlags = 10;          // navNoHistory | navNoWriteToCache
constexpr int kMaxFrameDepth = 16;           // frames inside frames that IsDocumentComplete follows
constexpr DWORD kMaxUrlLength = 64 * 1024;   // longer URLs from the engine are not believed

// A BSTR owned for the length of a call.
class CBstr {
 public:
  explicit CBstr(const std::wstring& text)
      : value(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  CBstr() = default;
  ~CBstr() { SysFreeString(value); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR get() const { return value; }
  BSTR* out() {
    SysFreeString(value);
    value = nullptr;
    return &value;
  }
  std::wstring text() const {
    return value != nullptr ? std::wstring(value, SysStringLen(value)) : std::wstring();
  }

 private:
  BSTR value = nullptr;
};

// The variant an event argument stands for, following one level of VT_BYREF | VT_VARIANT.
const VARIANT* Deref(const VARIANTARG& argument) {
  if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) return argument.pvarVal;
  return &argument;
}

std::wstring ArgumentText(const VARIANTARG& argument) {
  const VARIANT* value = Deref(argument);
  BSTR text = nullptr;
  if (value->vt == VT_BSTR) text = value->bstrVal;
  if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal != nullptr) text = *value->pbstrVal;
  if (text == nullptr) return std::wstring();
  const UINT length = SysStringLen(text);
  return std::wstring(text, length > kMaxUrlLength ? kMaxUrlLength : length);
}

int ArgumentInt(const VARIANTARG& argument) {
  const VARIANT* value = Deref(argument);
  switch (value->vt) {
    case VT_I4:
      return value->lVal;
    case VT_BYREF | VT_I4:
      return value->plVal != nullptr ? *value->plVal : 0;
    case VT_INT:
      return value->intVal;
    default:
      return 0;
  }
}

IDispatch* ArgumentDispatch(const VARIANTARG& argument) {
  const VARIANT* value = Deref(argument);
  if (value->vt == VT_DISPATCH) return value->pdispVal;
  if (value->vt == (VT_BYREF | VT_DISPATCH) && value->ppdispVal != nullptr) return *value->ppdispVal;
  return nullptr;
}

void SetCancel(const VARIANTARG& argument, bool cancel) {
  if (argument.vt == (VT_BYREF | VT_BOOL) && argument.pboolVal != nullptr) {
    *argument.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  }
}

// The request body: only a one-dimensional array of bytes by reference.
CSecureBuffer PostData(const VARIANTARG& argument) {
  CSecureBuffer data;
  if (argument.vt != (VT_BYREF | VT_VARIANT) || argument.pvarVal == nullptr) return data;
  const VARIANT& inner = *argument.pvarVal;
  if (inner.vt != (VT_ARRAY | VT_UI1) || inner.parray == nullptr) return data;
  SAFEARRAY* array = inner.parray;
  if (SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1) return data;
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)) ||
      upper < lower)
    return data;
  void* bytes = nullptr;
  if (FAILED(SafeArrayAccessData(array, &bytes)) || bytes == nullptr) return data;
  data = CSecureBuffer(static_cast<DWORD>(upper - lower + 1), bytes);
  SafeArrayUnaccessData(array);
  return data;
}

ComPtr<IUnknown> Identity(IUnknown* object) {
  ComPtr<IUnknown> identity;
  if (object != nullptr) object->QueryInterface(IID_PPV_ARGS(&identity));
  return identity;
}

std::wstring ModuleFileName() {
  std::vector<wchar_t> path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) break;
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
  std::wstring full(path.data());
  const size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

void RefreshCursor() {
  POINT position = {};
  if (GetCursorPos(&position)) SetCursorPos(position.x, position.y);
}

}  // namespace

ComPtr<CWebBrowserControl> CWebBrowserControl::Make(std::shared_ptr<AWebformDispatchHandler> handler) {
  // A COM object ends itself when its last reference goes (Release), so it is made with new.
  ComPtr<CWebBrowserControl> control;
  control.Attach(new (std::nothrow) CWebBrowserControl(std::move(handler)));
  if (control) control->AddRef();
  return control;
}

CWebBrowserControl::CWebBrowserControl(std::shared_ptr<AWebformDispatchHandler> dispatchHandler)
    : handler(std::move(dispatchHandler)) {
  CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                   IID_PPV_ARGS(&urlHistory));
}

CWebBrowserControl::~CWebBrowserControl() = default;

STDMETHODIMP CWebBrowserControl::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == IID_IServiceProvider) {
    *object = static_cast<IServiceProvider*>(this);
  } else if (iid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (iid == IID_IDocHostUIHandler || iid == IID_IDocHostUIHandler2) {
    *object = static_cast<IDocHostUIHandler2*>(this);
  } else if (iid == IID_IDocHostShowUI) {
    *object = static_cast<IDocHostShowUI*>(this);
  } else if (iid == IID_IHttpSecurity) {
    *object = static_cast<IHttpSecurity*>(this);
  } else if (iid == IID_IOleCommandTarget) {
    *object = static_cast<IOleCommandTarget*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CWebBrowserControl::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

STDMETHODIMP_(ULONG) CWebBrowserControl::Release() {
  const LONG count = InterlockedDecrement(&refCount);
  if (count == 0) delete this;  // the COM rule: the last reference ends the object
  return static_cast<ULONG>(count);
}

bool CWebBrowserControl::Create(HWND parent, HINSTANCE instance) {
  controlId = kControlId;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &CWebBrowserControl::StaticWindowProc;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  RECT client = {};
  GetClientRect(parent, &client);
  HWND created = CreateWindowExW(0, kClassName, kClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                 client.right - client.left, client.bottom - client.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, this);
  if (created == nullptr) return false;
  window = created;
  if (handler && handler->ShowWaitPage()) NavigateToResource(L"wait.htm");
  return true;
}

LRESULT CALLBACK CWebBrowserControl::StaticWindowProc(HWND handle, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<CWebBrowserControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      if (self != nullptr) {
        self->window = handle;
        // A control without a browser leaves its window to the default handling.
        if (self->CreateBrowser()) {
          self->AddRef();  // the window's reference, given back at WM_NCDESTROY
          SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
      }
      return DefWindowProcW(handle, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CWebBrowserControl*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(handle, message, wParam, lParam);
    return self->WindowProc(message, wParam, lParam);
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in the browser control, message 0x%04x", message);
    return DefWindowProcW(handle, message, wParam, lParam);
  }
}

LRESULT CWebBrowserControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND handle = window;
  switch (message) {
    case WM_CREATE: {
      const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
      SetWindowLongPtrW(handle, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_HSCROLL | WS_VSCROLL));
      break;
    }
    case WM_DESTROY:
      // The window is already on its way out: tear the browser down without destroying it again.
      CloseBrowser(true);
      SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
      {
        const LRESULT result = DefWindowProcW(handle, message, wParam, lParam);
        window = nullptr;
        Release();  // the window's reference; may end the object
        return result;
      }
    case WM_SIZE:
      if (webBrowser) {
        webBrowser->put_Width(LOWORD(lParam));
        webBrowser->put_Height(HIWORD(lParam));
      }
      break;
    case WM_SETTEXT:
      Navigate(reinterpret_cast<const wchar_t*>(lParam));
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint = {};
      HDC dc = BeginPaint(handle, &paint);
      if (dc != nullptr) {
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        if (white != nullptr) {
          FillRect(dc, &paint.rcPaint, white);
          DeleteObject(white);
        }
      }
      EndPaint(handle, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

bool CWebBrowserControl::CreateBrowser() {
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&oleObject)))) {
    return false;
  }
  RECT client = {};
  GetClientRect(window, &client);
  if (FAILED(oleObject->SetClientSite(static_cast<IOleClientSite*>(this))) ||
      FAILED(oleObject->SetHostNames(L"lumaPassV", L"lumaPassV")) ||
      FAILED(OleSetContainedObject(oleObject.Get(), TRUE)) ||
      FAILED(oleObject->DoVerb(OLEIVERB_SHOW, nullptr, static_cast<IOleClientSite*>(this), 0, window,
                               &client))) {
    oleObject.Reset();
    return false;
  }
  ComPtr<IConnectionPointContainer> container;
  if (SUCCEEDED(oleObject.As(&container))) {
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) ||
        FAILED(point->Advise(static_cast<IDispatch*>(this), &adviseCookie))) {
      oleObject->Close(OLECLOSE_NOSAVE);
      oleObject->SetClientSite(nullptr);
      oleObject.Reset();
      return false;
    }
  }
  if (FAILED(oleObject.As(&webBrowser))) webBrowser.Reset();
  return webBrowser != nullptr;
}

void CWebBrowserControl::Navigate(const wchar_t* url) {
  if (url == nullptr || *url == L'\0' || !webBrowser || !handler) return;
  webBrowser->put_Silent(handler->AllowPopups() ? VARIANT_FALSE : VARIANT_TRUE);
  UrlMkSetSessionOption(URLMON_OPTION_USERAGENT_REFRESH, nullptr, 0, 0);
  const std::wstring agent = handler->GetUserAgent();
  if (!agent.empty()) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, agent.c_str(), static_cast<int>(agent.size()), nullptr,
                                          0, nullptr, nullptr);
    if (bytes > 0) {
      std::string ansi(static_cast<size_t>(bytes), '\0');
      WideCharToMultiByte(CP_ACP, 0, agent.c_str(), static_cast<int>(agent.size()), &ansi[0], bytes, nullptr,
                          nullptr);
      UrlMkSetSessionOption(URLMON_OPTION_USERAGENT, &ansi[0], static_cast<DWORD>(ansi.size()), 0);
    }
  }
  if (!handler->PersistCookies()) {
    DWORD behaviour = kSuppressCookiePersist;
    InternetSetOptionW(nullptr, INTERNET_OPTION_SUPPRESS_BEHAVIOR, &behaviour, sizeof behaviour);
  }
  VARIANT address;
  VariantInit(&address);
  address.vt = VT_BSTR;
  address.bstrVal = SysAllocString(url);
  VARIANT flags;
  VariantInit(&flags);
  flags.vt = VT_I4;
  flags.lVal = kNavigateFlags;
  VARIANT empty;
  VariantInit(&empty);
  if (address.bstrVal != nullptr) webBrowser->Navigate2(&address, &flags, &empty, &empty, &empty);
  VariantClear(&address);
}

void CWebBrowserControl::NavigateToResource(const std::wstring& page) {
  const std::wstring module = ModuleFileName();
  if (module.empty()) return;
  Navigate(L"res://" + module + L"/" + page);
}

ComPtr<IHTMLDocument2> CWebBrowserControl::GetDocument() {
  ComPtr<IHTMLDocument2> document;
  if (!webBrowser) return document;
  ComPtr<IDispatch> dispatch;
  if (SUCCEEDED(webBrowser->get_Document(&dispatch)) && dispatch) dispatch.As(&document);
  return document;
}

bool CWebBrowserControl::IsDocumentComplete(IHTMLDocument2* document, int depth) {
  if (document == nullptr || depth > kMaxFrameDepth) return false;
  CBstr state;
  if (FAILED(document->get_readyState(state.out())) || _wcsicmp(state.text().c_str(), L"complete") != 0)
    return false;
  ComPtr<IHTMLFramesCollection2> frames;
  if (FAILED(document->get_frames(&frames))) return false;
  if (!frames) return true;
  long count = 0;
  if (FAILED(frames->get_length(&count))) return false;
  for (long index = 0; index < count; ++index) {
    VARIANT which;
    VariantInit(&which);
    which.vt = VT_I4;
    which.lVal = index;
    VARIANT item;
    VariantInit(&item);
    if (FAILED(frames->item(&which, &item)) || item.vt != VT_DISPATCH || item.pdispVal == nullptr) {
      VariantClear(&item);
      return false;
    }
    ComPtr<IHTMLWindow2> frameWindow;
    const HRESULT queried = item.pdispVal->QueryInterface(IID_PPV_ARGS(&frameWindow));
    VariantClear(&item);
    if (FAILED(queried)) return false;
    ComPtr<IHTMLDocument2> frameDocument;
    const HRESULT read = frameWindow->get_document(&frameDocument);
    if (read == E_ACCESSDENIED) {
      // A frame of another domain: its document through the frame's own browser object.
      ComPtr<IServiceProvider> provider;
      ComPtr<IWebBrowser2> frameBrowser;
      ComPtr<IDispatch> dispatch;
      if (FAILED(frameWindow.As(&provider)) ||
          FAILED(provider->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(&frameBrowser))) ||
          FAILED(frameBrowser->get_Document(&dispatch)) || !dispatch || FAILED(dispatch.As(&frameDocument))) {
        return false;
      }
    } else if (FAILED(read)) {
      return false;
    }
    if (!IsDocumentComplete(frameDocument.Get(), depth + 1)) return false;
  }
  return true;
}

bool CWebBrowserControl::IsDocumentComplete() { return IsDocumentComplete(GetDocument().Get()); }

bool CWebBrowserControl::IsTopLevel(const CNavigationContext& context) {
  if (!webBrowser || context.dispatch == nullptr) return false;
  return Identity(context.dispatch) == Identity(webBrowser.Get());
}

bool CWebBrowserControl::SetElementInnerHtml(const std::wstring& id, const std::wstring& html) {
  ComPtr<IHTMLDocument2> document = GetDocument();
  if (!document) return false;
  ComPtr<IHTMLElementCollection> all;
  if (FAILED(document->get_all(&all)) || !all) return false;
  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  name.bstrVal = SysAllocStringLen(id.data(), static_cast<UINT>(id.size()));
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.lVal = 0;
  ComPtr<IDispatch> item;
  const HRESULT found = name.bstrVal != nullptr ? all->item(name, index, &item) : E_OUTOFMEMORY;
  VariantClear(&name);
  ComPtr<IHTMLElement> element;
  if (FAILED(found) || !item || FAILED(item.As(&element))) return false;
  CBstr text(html);
  return SUCCEEDED(element->put_innerHTML(text.get()));
}

bool CWebBrowserControl::SetBodyInnerHtml(const std::wstring& html) {
  ComPtr<IHTMLDocument2> document = GetDocument();
  ComPtr<IHTMLElement> body;
  if (!document || FAILED(document->get_body(&body)) || !body) return false;
  CBstr text(html);
  return SUCCEEDED(body->put_innerHTML(text.get()));
}

bool CWebBrowserControl::DocumentHasBodyText() {
  ComPtr<IHTMLDocument2> document = GetDocument();
  ComPtr<IHTMLElement> body;
  if (!document || FAILED(document->get_body(&body)) || !body) return false;
  CBstr html;
  return SUCCEEDED(body->get_innerHTML(html.out())) && SysStringLen(html.get()) > 0;
}

bool CWebBrowserControl::PreTranslateMessage(MSG* message) {
  if (message == nullptr || message->message < WM_KEYFIRST || message->message > WM_KEYLAST || !webBrowser)
    return false;
  ComPtr<IDispatch> application;
  ComPtr<IOleInPlaceActiveObject> active;
  if (FAILED(webBrowser->get_Application(&application)) || !application || FAILED(application.As(&active))) {
    return false;
  }
  return active->TranslateAccelerator(message) == S_OK;
}

bool CWebBrowserControl::IsBusy() {
  VARIANT_BOOL busy = VARIANT_FALSE;
  return webBrowser && SUCCEEDED(webBrowser->get_Busy(&busy)) && busy != VARIANT_FALSE;
}

void CWebBrowserControl::Close() { CloseBrowser(false); }

void CWebBrowserControl::CloseBrowser(bool windowBeingDestroyed) {
  if (!webBrowser) return;
  if (ComPtr<IHTMLDocument2> document = GetDocument()) {
    CBstr command(L"ClearAuthenticationCache");
    VARIANT value;
    VariantInit(&value);
    VARIANT_BOOL done = VARIANT_FALSE;
    document->execCommand(command.get(), VARIANT_FALSE, value, &done);
  }
  ComPtr<IConnectionPointContainer> container;
  if (oleObject && SUCCEEDED(oleObject.As(&container))) {
    ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)))
      point->Unadvise(adviseCookie);
  }
  adviseCookie = 0;
  webBrowser->Stop();
  webBrowser->ExecWB(OLECMDID_CLOSE, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
  if (oleObject) {
    oleObject->Close(OLECLOSE_NOSAVE);
    OleSetContainedObject(oleObject.Get(), FALSE);
    oleObject->SetClientSite(nullptr);
    CoDisconnectObject(oleObject.Get(), 0);
  }
  webBrowser.Reset();
  oleObject.Reset();
  if (urlHistory) {
    for (const CCrackedUrl& visited : visitedUrls) urlHistory->DeleteUrl(visited.url.c_str(), 0);
  }
  visitedUrls.clear();
  navigationContexts.clear();
  currentContext.reset();
  closed = true;
  if (std::shared_ptr<AWebformDispatchHandler> owner = handler) owner->OnBrowserClosed();
  UrlMkSetSessionOption(URLMON_OPTION_USERAGENT_REFRESH, nullptr, 0, 0);
  InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
  if (!windowBeingDestroyed && window != nullptr) DestroyWindow(window);
}

void CWebBrowserControl::EnableBrowserWindow() {
  if (window != nullptr) EnableWindow(window, TRUE);
  RefreshCursor();
  if (handler) handler->OnBrowserEnabled();
}

void CWebBrowserControl::DisableBrowserWindow() {
  if (window != nullptr) EnableWindow(window, FALSE);
  RefreshCursor();
  if (handler) handler->OnBrowserDisabled();
}

DWORD CWebBrowserControl::HostFlags() const {
  DWORD flags = kHostFlags;
  if (handler && !handler->EnableScrollbars()) flags |= DOCHOSTUIFLAG_SCROLL_NO;
  if (handler && handler->AllowFormAutofill()) flags |= DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE;
  return flags;
}

LONG CWebBrowserControl::DownloadControl() const {
  LONG flags = kDownloadControl;
  if (handler && handler->ForceSilent()) flags |= DLCTL_SILENT;
  return flags;
}

std::shared_ptr<CNavigationContext> CWebBrowserControl::ContextOf(IDispatch* dispatch) const {
  const auto found = navigationContexts.find(dispatch);
  return found != navigationContexts.end() ? found->second : nullptr;
}

STDMETHODIMP CWebBrowserControl::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                        VARIANT* result, EXCEPINFO*, UINT*) {
  try {
    // Keeps the object alive should the handler close the browser from inside an event.
    ComPtr<CWebBrowserControl> keep(this);
    DISPPARAMS none = {};
    DISPPARAMS& arguments = parameters != nullptr ? *parameters : none;
    switch (id) {
      case DISPID_AMBIENT_DLCONTROL:
        if (result != nullptr) {
          VariantClear(result);
          result->vt = VT_I4;
          result->lVal = DownloadControl();
        }
        return S_OK;
      case DISPID_DOWNLOADBEGIN:
        if (handler) handler->OnDownloadBegin();
        DisableBrowserWindow();
        return S_OK;
      case DISPID_DOWNLOADCOMPLETE:
        EnableBrowserWindow();
        if (handler) handler->OnDownloadComplete();
        return S_OK;
      case DISPID_COMMANDSTATECHANGE:
        return S_OK;
      case DISPID_PROGRESSCHANGE:
        if (handler && arguments.cArgs >= 2 && arguments.rgvarg != nullptr) {
          handler->OnProgressChange(ArgumentInt(arguments.rgvarg[1]), ArgumentInt(arguments.rgvarg[0]));
        }
        return S_OK;
      case DISPID_BEFORENAVIGATE2:
        OnBeforeNavigate(arguments);
        return S_OK;
      case DISPID_NAVIGATECOMPLETE2:
        OnNavigationEvent(arguments, kEventNavigateComplete);
        return S_OK;
      case DISPID_DOCUMENTCOMPLETE:
        OnNavigationEvent(arguments, kEventDocumentComplete);
        return S_OK;
      case DISPID_NAVIGATEERROR:
        OnNavigateError(arguments);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"Unexpected exception in browser event %d", static_cast<int>(id));
    return E_UNEXPECTED;
  }
}

void CWebBrowserControl::OnBeforeNavigate(DISPPARAMS& arguments) {
  if (arguments.cArgs < 7 || arguments.rgvarg == nullptr) return;
  const VARIANTARG* argument = arguments.rgvarg;  // in reverse order: Cancel first
  EnableBrowserWindow();
  const CSecureBuffer postData = PostData(argument[2]);
  std::vector<CHttpHeader> headers;
  if (argument[1].vt == (VT_BYREF | VT_VARIANT) && argument[1].pvarVal != nullptr &&
      argument[1].pvarVal->vt == VT_BSTR) {
    ParseHttpHeaders(ArgumentText(argument[1]), headers);
  }
  IDispatch* frame = ArgumentDispatch(argument[6]);
  if (std::shared_ptr<CNavigationContext> previous = ContextOf(frame)) {
    // The replaced navigation failed on a security problem: its SSL session is not reused.
    if (previous->requestedUrl.scheme != -1 && !previous->IsFinished() && previous->securityError != 0) {
      ClearSslSessionCache();
    }
  }
  auto context =
      std::make_shared<CNavigationContext>(this, frame, ArgumentText(argument[5]), ArgumentText(argument[3]));
  navigationContexts[frame] = context;
  currentContext = context;
  const bool allowed = handler && handler->OnBeforeNavigate(*context, headers, postData);
  context->cancelled = !allowed;
  SetCancel(argument[0], !allowed);
  if (allowed) visitedUrls.push_back(context->requestedUrl);
}

void CWebBrowserControl::OnNavigationEvent(DISPPARAMS& arguments, int event) {
  if (arguments.cArgs < 2 || arguments.rgvarg == nullptr) return;
  std::shared_ptr<CNavigationContext> context = ContextOf(ArgumentDispatch(arguments.rgvarg[1]));
  if (!context) return;
  context->SetCurrentUrl(ArgumentText(arguments.rgvarg[0]));
  context->lastEvent = event;
  if (!handler) return;
  if (event == kEventNavigateComplete) {
    handler->OnNavigateComplete(*context);
  } else {
    handler->OnDocumentComplete(*context);
  }
}

void CWebBrowserControl::OnNavigateError(DISPPARAMS& arguments) {
  if (arguments.cArgs < 5 || arguments.rgvarg == nullptr) return;
  const VARIANTARG* argument = arguments.rgvarg;
  std::shared_ptr<CNavigationContext> context = ContextOf(ArgumentDispatch(argument[4]));
  if (!context) {
    SetCancel(argument[0], true);  // an error of a frame nobody follows: nothing to show
    return;
  }
  context->SetCurrentUrl(ArgumentText(argument[3]));
  context->statusCode = ArgumentInt(argument[1]);
  context->lastEvent = kEventNavigateError;
  context->cancelled = !(handler && handler->OnNavigateError(*context));
  SetCancel(argument[0], context->cancelled);
}

STDMETHODIMP CWebBrowserControl::QueryService(REFGUID, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IHttpSecurity) return QueryInterface(iid, object);
  return E_NOINTERFACE;
}

STDMETHODIMP CWebBrowserControl::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD,
                                             LRESULT* result) {
  if (result != nullptr) *result = IDCANCEL;  // no message box is ever shown
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::ShowContextMenu(DWORD id, POINT*, IUnknown*, IDispatch*) {
  // The browser's own menu only for edit fields and selected text.
  return id == CONTEXT_MENU_CONTROL || id == CONTEXT_MENU_TEXTSELECT ? E_NOTIMPL : S_OK;
}

STDMETHODIMP CWebBrowserControl::GetHostInfo(DOCHOSTUIINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->dwFlags = HostFlags();
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::TranslateAccelerator(LPMSG message, const GUID*, DWORD) {
  if (message == nullptr || message->message != WM_KEYDOWN) return S_FALSE;
  CBrowserKeyState keys;
  keys.control = GetKeyState(VK_CONTROL) < 0;
  keys.alt = GetKeyState(VK_MENU) < 0;
  keys.leftControl = GetKeyState(VK_LCONTROL) < 0;
  keys.rightControl = GetKeyState(VK_RCONTROL) < 0;
  return IsBrowserKeySwallowed(static_cast<unsigned>(message->wParam), keys) ? S_OK : S_FALSE;
}

STDMETHODIMP CWebBrowserControl::GetExternal(IDispatch** dispatch) {
  if (dispatch == nullptr) return E_POINTER;
  *dispatch = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
  if (out != nullptr) *out = nullptr;
  return S_FALSE;
}

STDMETHODIMP CWebBrowserControl::FilterDataObject(IDataObject*, IDataObject** out) {
  if (out != nullptr) *out = nullptr;
  return S_FALSE;
}

STDMETHODIMP CWebBrowserControl::GetOverrideKeyPath(LPOLESTR* key, DWORD) {
  if (key == nullptr) return E_INVALIDARG;
  *key = nullptr;
  const std::wstring path = handler ? handler->GetOverrideKeyPath() : std::wstring();
  if (path.empty()) return S_FALSE;
  size_t length = 0;
  if (FAILED(StringCchLengthW(path.c_str(), STRSAFE_MAX_CCH, &length))) return S_FALSE;
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
  if (copy == nullptr) return E_OUTOFMEMORY;
  StringCchCopyW(copy, length + 1, path.c_str());
  *key = copy;
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CWebBrowserControl::GetWindow(HWND* handle) {
  if (handle == nullptr) return E_POINTER;
  *handle = window;
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                  LPRECT position, LPRECT clip,
                                                  LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame != nullptr) {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
  }
  if (document != nullptr) *document = nullptr;
  RECT client = {};
  if (window != nullptr) GetClientRect(window, &client);
  if (position != nullptr) *position = client;
  if (clip != nullptr) *clip = client;
  if (frameInfo != nullptr) {
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::OnPosRectChange(LPCRECT rect) {
  ComPtr<IOleInPlaceObject> inPlace;
  if (rect != nullptr && oleObject && SUCCEEDED(oleObject.As(&inPlace))) inPlace->SetObjectRects(rect, rect);
  return S_OK;
}

STDMETHODIMP CWebBrowserControl::GetWindow(REFGUID, HWND* handle) { return GetWindow(handle); }

STDMETHODIMP CWebBrowserControl::OnSecurityProblem(DWORD problem) {
  try {
    if (currentContext && handler) {
      currentContext->securityError = static_cast<int>(problem);
      const HRESULT answer = handler->OnSecurityProblem(*currentContext);
      if (answer != S_FALSE) return answer;
    }
    EnableBrowserWindow();  // the platform's own dialog must be usable
    return S_FALSE;
  } catch (...) {
    return E_ABORT;
  }
}

STDMETHODIMP CWebBrowserControl::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) {
  return OLECMDERR_E_UNKNOWNGROUP;
}

STDMETHODIMP CWebBrowserControl::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) {
  if (group != nullptr && *group == CGID_DocHostCommandHandler && command == OLECMDID_SHOWSCRIPTERROR &&
      handler && !handler->ShowScriptErrors()) {
    if (out != nullptr) {
      VariantClear(out);
      out->vt = VT_BOOL;
      out->boolVal = VARIANT_TRUE;  // keep running the page's scripts
    }
    return S_OK;
  }
  return OLECMDERR_E_UNKNOWNGROUP;
}

}  // namespace luma::ui
