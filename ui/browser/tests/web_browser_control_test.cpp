// The browser control's answers to the browser, fed as the engine would call them: the event sink
// with its navigation contexts and cancel flags, the host's UI answers, and, with the platform's real
// control, creation, a refused navigation, a failed one and the teardown.
#include "ui/browser/web_browser_control.h"

#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>

#include "ui/browser/tests/recording_handler.h"
#include "ui/framework/app_window.h"

namespace luma::ui {
namespace {

using Microsoft::WRL::ComPtr;
using testing::CRecordingHandler;

// COM for the test thread, as the dialog thread has it.
class CComThread {
 public:
  CComThread() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComThread() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
  HRESULT result;
};

// The arguments of one DWebBrowserEvents2 call, last argument first as IDispatch::Invoke takes them.
class CEventArguments {
 public:
  ~CEventArguments() {
    // The frame objects are stand-ins, never released.
    for (VARIANT& value : values) {
      if (value.vt == VT_BSTR) VariantClear(&value);
    }
  }
  void Dispatch(IDispatch* frame) { Push(VT_DISPATCH).pdispVal = frame; }
  void Text(const std::wstring& text) {
    VARIANT& inner = Push(VT_BSTR);
    inner.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  void Int(LONG value) { Push(VT_I4).lVal = value; }
  void Empty() { Push(VT_EMPTY); }
  // The cancel flag the handler's answer is written to.
  void Cancel() {
    cancel = VARIANT_FALSE;
    VARIANT& flag = arguments[count++];
    flag.vt = VT_BYREF | VT_BOOL;
    flag.pboolVal = &cancel;
  }
  DISPPARAMS Parameters() {
    // Reverse to the order Invoke takes them.
    for (UINT low = 0, high = count; low + 1 < high; ++low, --high)
      std::swap(arguments[low], arguments[high - 1]);
    DISPPARAMS parameters = {};
    parameters.rgvarg = arguments;
    parameters.cArgs = count;
    return parameters;
  }
  bool Cancelled() const { return cancel != VARIANT_FALSE; }

 private:
  // Each argument as the engine passes it: by reference to a variant that holds the value.
  VARIANT& Push(VARTYPE type) {
    VARIANT& inner = values[count];
    VariantInit(&inner);
    inner.vt = type;
    VARIANT& outer = arguments[count++];
    outer.vt = VT_BYREF | VT_VARIANT;
    outer.pvarVal = &inner;
    return inner;
  }

  VARIANT values[8] = {};
  VARIANT arguments[8] = {};
  UINT count = 0;
  VARIANT_BOOL cancel = VARIANT_FALSE;
};

HRESULT Fire(CWebBrowserControl& control, DISPID id, CEventArguments& arguments, VARIANT* result = nullptr) {
  DISPPARAMS parameters = arguments.Parameters();
  return control.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, result, nullptr, nullptr);
}

bool BeforeNavigate(CWebBrowserControl& control, IDispatch* frame, const std::wstring& url) {
  CEventArguments arguments;
  arguments.Dispatch(frame);
  arguments.Text(url);
  arguments.Int(0);
  arguments.Text(L"");
  arguments.Empty();
  arguments.Text(L"Content-Type: text/plain\r\nX-Test: 1\r\n");
  arguments.Cancel();
  Fire(control, DISPID_BEFORENAVIGATE2, arguments);
  return arguments.Cancelled();
}

bool NavigateError(CWebBrowserControl& control, IDispatch* frame, const std::wstring& url, LONG status) {
  CEventArguments arguments;
  arguments.Dispatch(frame);
  arguments.Text(url);
  arguments.Text(L"");
  arguments.Int(status);
  arguments.Cancel();
  Fire(control, DISPID_NAVIGATEERROR, arguments);
  return arguments.Cancelled();
}

class WebBrowserControlEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handler = std::make_shared<CRecordingHandler>();
    control = CWebBrowserControl::Make(handler);
    ASSERT_TRUE(control);
  }
  IDispatch* Frame(int index) { return reinterpret_cast<IDispatch*>(&frames[index]); }

  CComThread com;
  std::shared_ptr<CRecordingHandler> handler;
  ComPtr<CWebBrowserControl> control;
  int frames[2] = {};
};

TEST_F(WebBrowserControlEventsTest, RefusedNavigationIsCancelledAndNeverRemembered) {
  handler->refused = {L"https://refused.example.test/"};
  EXPECT_FALSE(BeforeNavigate(*control.Get(), Frame(0), L"https://allowed.example.test/a"));
  EXPECT_TRUE(BeforeNavigate(*control.Get(), Frame(0), L"https://refused.example.test/"));
  EXPECT_FALSE(BeforeNavigate(*control.Get(), Frame(1), L"https://allowed.example.test/frame"));
  ASSERT_EQ(2u, control->VisitedUrls().size());
  EXPECT_EQ(L"https://allowed.example.test/a", control->VisitedUrls().front().url);
  EXPECT_EQ(L"https://allowed.example.test/frame", control->VisitedUrls().back().url);
  const std::vector<CHttpHeader> headers = {{L"Content-Type", L"text/plain"}, {L"X-Test", L"1"}};
  EXPECT_EQ(headers, handler->lastHeaders);
}

TEST_F(WebBrowserControlEventsTest, NavigateErrorOfUnknownFrameIsCancelledWithoutAskingTheHandler) {
  EXPECT_TRUE(NavigateError(*control.Get(), Frame(0), L"https://nowhere.example.test/", 404));
  EXPECT_TRUE(handler->errors.empty());
  // A followed frame asks the handler; its answer decides whether the browser shows its own page.
  BeforeNavigate(*control.Get(), Frame(0), L"https://somewhere.example.test/");
  EXPECT_TRUE(NavigateError(*control.Get(), Frame(0), L"https://somewhere.example.test/", 404));
  handler->showErrorPage = true;
  EXPECT_FALSE(NavigateError(*control.Get(), Frame(0), L"https://somewhere.example.test/", 500));
  const std::vector<int> expected = {404, 500};
  EXPECT_EQ(expected, handler->errors);
}

TEST_F(WebBrowserControlEventsTest, CompletionEventsReachTheHandlerOnlyForFollowedFrames) {
  CEventArguments unknown;
  unknown.Dispatch(Frame(1));
  unknown.Text(L"https://x.example.test/");
  Fire(*control.Get(), DISPID_DOCUMENTCOMPLETE, unknown);
  EXPECT_EQ(0, handler->documents);
  BeforeNavigate(*control.Get(), Frame(1), L"https://x.example.test/");
  CEventArguments navigated;
  navigated.Dispatch(Frame(1));
  navigated.Text(L"https://x.example.test/");
  Fire(*control.Get(), DISPID_NAVIGATECOMPLETE2, navigated);
  CEventArguments document;
  document.Dispatch(Frame(1));
  document.Text(L"https://x.example.test/");
  Fire(*control.Get(), DISPID_DOCUMENTCOMPLETE, document);
  EXPECT_EQ(1, handler->completes);
  EXPECT_EQ(1, handler->documents);
  CEventArguments other;
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Fire(*control.Get(), DISPID_STATUSTEXTCHANGE, other));
}

TEST_F(WebBrowserControlEventsTest, HostAnswersFollowTheHandler) {
  CEventArguments none;
  VARIANT download;
  VariantInit(&download);
  Fire(*control.Get(), DISPID_AMBIENT_DLCONTROL, none, &download);
  EXPECT_EQ(VT_I4, download.vt);
  EXPECT_EQ(0x42710, download.lVal);
  handler->silent = true;
  EXPECT_EQ(0x40042710, control->DownloadControl());

  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof info;
  ASSERT_EQ(S_OK, control->GetHostInfo(&info));
  EXPECT_EQ(0x4D800097u | DOCHOSTUIFLAG_SCROLL_NO, info.dwFlags);

  // The browser's own context menu only for edit fields and selections.
  EXPECT_EQ(E_NOTIMPL, control->ShowContextMenu(CONTEXT_MENU_CONTROL, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_NOTIMPL, control->ShowContextMenu(CONTEXT_MENU_TEXTSELECT, nullptr, nullptr, nullptr));
  EXPECT_EQ(S_OK, control->ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr));

  LRESULT answer = 0;
  EXPECT_EQ(S_OK, control->ShowMessage(nullptr, nullptr, nullptr, MB_OK, nullptr, 0, &answer));
  EXPECT_EQ(IDCANCEL, answer);

  VARIANT keepRunning;
  VariantInit(&keepRunning);
  EXPECT_EQ(S_OK,
            control->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &keepRunning));
  EXPECT_EQ(VT_BOOL, keepRunning.vt);
  EXPECT_EQ(VARIANT_TRUE, keepRunning.boolVal);
  EXPECT_EQ(OLECMDERR_E_UNKNOWNGROUP, control->Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, nullptr));

  LPOLESTR key = nullptr;
  EXPECT_EQ(E_INVALIDARG, control->GetOverrideKeyPath(nullptr, 0));
  EXPECT_EQ(S_FALSE, control->GetOverrideKeyPath(&key, 0));
  EXPECT_EQ(nullptr, key);
  handler->overrideKeyPath = L"Software\\Example\\Browser";
  ASSERT_EQ(S_OK, control->GetOverrideKeyPath(&key, 0));
  EXPECT_STREQ(L"Software\\Example\\Browser", key);
  CoTaskMemFree(key);

  ComPtr<IHttpSecurity> security;
  EXPECT_EQ(S_OK, control->QueryService(IID_IOleClientSite, IID_PPV_ARGS(&security)));
  ComPtr<IOleClientSite> site;
  EXPECT_EQ(E_NOINTERFACE, control->QueryService(IID_IOleClientSite, IID_PPV_ARGS(&site)));
}

// The key filter as the browser asks it, with the keyboard state of this thread.
TEST_F(WebBrowserControlEventsTest, KeyFilterSwallowsCtrlNButNotCtrlC) {
  BYTE keys[256] = {};
  ASSERT_TRUE(GetKeyboardState(keys));
  BYTE pressed[256] = {};
  memcpy(pressed, keys, sizeof keys);
  pressed[VK_CONTROL] = pressed[VK_LCONTROL] = 0x80;
  ASSERT_TRUE(SetKeyboardState(pressed));
  MSG message = {};
  message.message = WM_KEYDOWN;
  message.wParam = 'N';
  const HRESULT ctrlN = control->TranslateAccelerator(&message, nullptr, 0);
  message.wParam = 'C';
  const HRESULT ctrlC = control->TranslateAccelerator(&message, nullptr, 0);
  message.message = WM_CHAR;
  const HRESULT character = control->TranslateAccelerator(&message, nullptr, 0);
  SetKeyboardState(keys);
  EXPECT_EQ(S_OK, ctrlN);
  EXPECT_EQ(S_FALSE, ctrlC);
  EXPECT_EQ(S_FALSE, character);
}

// The platform's real control in a window of its own.
class RealWebBrowserTest : public ::testing::Test {
 protected:
  class CHost : public CAppWindow {};

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.result));
    ASSERT_TRUE(host.Create(L"Browser host", WS_OVERLAPPEDWINDOW));
    SetWindowPos(host.Handle(), nullptr, 0, 0, 480, 360, SWP_NOZORDER | SWP_NOMOVE);
    handler = std::make_shared<CRecordingHandler>();
    control = CWebBrowserControl::Make(handler);
    ASSERT_TRUE(control);
    ASSERT_TRUE(control->Create(host.Handle(), GetModuleHandleW(nullptr)));
    if (!control->HasBrowser()) GTEST_SKIP() << "the platform's WebBrowser control cannot be created here";
  }
  // Handles this thread's messages for up to `milliseconds` or until `done` holds.
  template <typename Condition>
  bool Pump(DWORD milliseconds, Condition done) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > milliseconds) return false;
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
  }

  CComThread com;
  CHost host;
  std::shared_ptr<CRecordingHandler> handler;
  ComPtr<CWebBrowserControl> control;
};

TEST_F(RealWebBrowserTest, CreatesItsChildWindowOverTheParent) {
  HWND child = control->Window();
  ASSERT_NE(nullptr, child);
  EXPECT_EQ(host.Handle(), GetParent(child));
  EXPECT_EQ(CWebBrowserControl::kControlId, GetDlgCtrlID(child));
  wchar_t name[64] = {};
  GetClassNameW(child, name, 64);
  EXPECT_STREQ(CWebBrowserControl::kClassName, name);
  EXPECT_EQ(0, GetWindowLongPtrW(child, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
}

TEST_F(RealWebBrowserTest, RefusedNavigationNeverStartsAndFailedOneReportsItsError) {
  handler->refused = {L"https://refused.example.invalid/"};
  control->Navigate(L"https://refused.example.invalid/");
  const bool asked = Pump(5000, [&] { return !handler->before.empty(); });
  if (!asked) GTEST_SKIP() << "the platform's WebBrowser control starts no navigation here (no HTML engine)";
  EXPECT_TRUE(control->VisitedUrls().empty());
  // An address nobody answers: the engine reports the failure.
  control->Navigate(L"https://127.0.0.1:1/unreachable");
  const bool failed = Pump(15000, [&] { return !handler->errors.empty(); });
  if (!failed) GTEST_SKIP() << "the platform's WebBrowser control reports no navigation error here";
  EXPECT_NE(0, handler->errors.front());
  ASSERT_EQ(1u, control->VisitedUrls().size());  // an allowed navigation is remembered, failed or not
}

TEST_F(RealWebBrowserTest, CloseTwiceTellsTheHandlerOnce) {
  HWND child = control->Window();
  control->Close();
  EXPECT_EQ(1, handler->closed);
  EXPECT_FALSE(control->HasBrowser());
  EXPECT_FALSE(IsWindow(child));
  control->Close();
  EXPECT_EQ(1, handler->closed);
}

// Destroying the parent closes the browser from the child window's own WM_DESTROY; it must not
// destroy that window a second time on the way.
int destroyMessages = 0;
LRESULT CALLBACK CountDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_DESTROY) ++destroyMessages;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &CountDestroy, 1);
  return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(RealWebBrowserTest, DestroyedWithItsParentClosesOnceWithoutDestroyingItselfAgain) {
  HWND child = control->Window();
  destroyMessages = 0;
  ASSERT_TRUE(SetWindowSubclass(child, &CountDestroy, 1, 0));
  host.Destroy();
  EXPECT_EQ(1, destroyMessages);
  EXPECT_EQ(1, handler->closed);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(nullptr, control->Window());
  control->Close();
  EXPECT_EQ(1, handler->closed);
}

}  // namespace
}  // namespace luma::ui
