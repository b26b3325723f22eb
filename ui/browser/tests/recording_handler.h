// A browser handler for the control's and frame's tests: it refuses the addresses it is told to,
// counts the events and notes whether the frame window still existed when the browser went.
#ifndef LUMA_UI_BROWSER_TESTS_RECORDING_HANDLER_H_
#define LUMA_UI_BROWSER_TESTS_RECORDING_HANDLER_H_

#include <set>
#include <string>
#include <vector>

#include "ui/browser/web_dispatch_handler.h"

namespace luma::ui::testing {

class CRecordingHandler : public AWebformDispatchHandler {
 public:
  bool ShowWaitPage() override { return waitPage; }
  bool ForceSilent() override { return silent; }
  bool EnableProgressBar() override { return progressBar; }
  std::wstring GetOverrideKeyPath() override { return overrideKeyPath; }
  bool OnBeforeNavigate(CNavigationContext& context, const std::vector<CHttpHeader>& headers,
                        const CSecureBuffer& postData) override {
    before.push_back(context.requestedUrl.url);
    lastHeaders = headers;
    lastPostSize = postData.size;
    return refused.count(context.requestedUrl.url) == 0;
  }
  bool OnNavigateError(CNavigationContext& context) override {
    errors.push_back(context.statusCode);
    return showErrorPage;
  }
  void OnNavigateComplete(CNavigationContext&) override { ++completes; }
  void OnDocumentComplete(CNavigationContext&) override { ++documents; }
  void OnBrowserClosed() override {
    ++closed;
    frameAliveAtClose = frame != nullptr && IsWindow(frame) != FALSE;
  }

  bool waitPage = false;
  bool silent = false;
  bool progressBar = true;
  bool showErrorPage = false;
  std::wstring overrideKeyPath;
  std::set<std::wstring> refused;
  std::vector<std::wstring> before;
  std::vector<CHttpHeader> lastHeaders;
  DWORD lastPostSize = 0;
  std::vector<int> errors;
  int completes = 0;
  int documents = 0;
  int closed = 0;
  HWND frame = nullptr;
  bool frameAliveAtClose = false;
};

}  // namespace luma::ui::testing

#endif  // LUMA_UI_BROWSER_TESTS_RECORDING_HANDLER_H_
