// A browser for the login rules' tests: it records what it is asked to do and answers from a script
// (which frame is the top one, whether the document has loaded, whether its body has text).
#ifndef LUMA_SERVICE_WEBLOGIN_TESTS_SCRIPTED_BROWSER_H_
#define LUMA_SERVICE_WEBLOGIN_TESTS_SCRIPTED_BROWSER_H_

#include <map>
#include <string>
#include <vector>

#include "ui/browser/navigation_context.h"

namespace luma::ui::testing {

class CScriptedBrowser : public CBrowserView {
 public:
  void Navigate(const std::wstring& url) override { navigations.push_back(url); }
  void NavigateToResource(const std::wstring& page) override { navigations.push_back(L"res:" + page); }
  bool IsTopLevel(const CNavigationContext& context) override { return context.dispatch == TopFrame(); }
  bool IsDocumentComplete() override {
    ++completeQuestions;
    return documentComplete;
  }
  bool SetElementInnerHtml(const std::wstring& id, const std::wstring& html) override {
    elements[id] = html;
    return true;
  }
  bool SetBodyInnerHtml(const std::wstring& html) override {
    body = html;
    return true;
  }
  bool DocumentHasBodyText() override { return !body.empty(); }

  // The frame objects events come from: the top document's and one inner frame's.
  IDispatch* TopFrame() { return reinterpret_cast<IDispatch*>(&top); }
  IDispatch* InnerFrame() { return reinterpret_cast<IDispatch*>(&inner); }

  // An event context of this browser for `url` (status and error as the event reported them).
  CNavigationContext Event(const std::wstring& url, bool topLevel = true, int status = 0) {
    CNavigationContext context(this, topLevel ? TopFrame() : InnerFrame(), url, L"");
    context.statusCode = status;
    return context;
  }

  std::vector<std::wstring> navigations;
  std::map<std::wstring, std::wstring> elements;
  std::wstring body;
  bool documentComplete = true;
  int completeQuestions = 0;

 private:
  int top = 0;
  int inner = 0;
};

}  // namespace luma::ui::testing

#endif  // LUMA_SERVICE_WEBLOGIN_TESTS_SCRIPTED_BROWSER_H_
