// One navigation of one browser frame, followed from its start to its end, and the few things the
// login logic asks of the browser that raised it (CBrowserView). The real control answers over the
// platform's HTML document; tests answer with a scripted browser.
#ifndef LUMA_UI_BROWSER_NAVIGATION_CONTEXT_H_
#define LUMA_UI_BROWSER_NAVIGATION_CONTEXT_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on

#include <string>

#include "ui/controls/cracked_url.h"

namespace luma::ui {

class CNavigationContext;

class CBrowserView {
 public:
  virtual ~CBrowserView() = default;
  virtual void Navigate(const std::wstring& url) = 0;
  // A page of the program's own HTML resources ("res://<program file>/<page>").
  virtual void NavigateToResource(const std::wstring& page) = 0;
  // Whether the event came from the top document rather than from a frame inside it.
  virtual bool IsTopLevel(const CNavigationContext& context) = 0;
  // The top document and every frame document have finished loading.
  virtual bool IsDocumentComplete() = 0;
  // The inner HTML of the current document's element `id`; false when it has none.
  virtual bool SetElementInnerHtml(const std::wstring& id, const std::wstring& html) = 0;
  virtual bool SetBodyInnerHtml(const std::wstring& html) = 0;
  // The current document's body has some content.
  virtual bool DocumentHasBodyText() = 0;
};

// DISPIDs of the events that move a navigation on (exdispid.h).
constexpr int kEventBeforeNavigate = 250;
constexpr int kEventNavigateComplete = 252;
constexpr int kEventDocumentComplete = 259;
constexpr int kEventNavigateError = 271;
constexpr int kEventDownloadComplete = 104;
// The error of a navigation the program refused (INET_E_INVALID_URL).
constexpr int kRefusedNavigationError = static_cast<int>(0x800C0002);

class CNavigationContext {
 public:
  CNavigationContext() = default;
  CNavigationContext(CBrowserView* control, IDispatch* dispatch, const std::wstring& url,
                     const std::wstring& targetFrame);
  // The refused navigation to `other`'s requested address.
  static CNavigationContext Refused(const CNavigationContext& other);
  CNavigationContext(const CNavigationContext& other);
  // Copies the navigation, never the browser it came from: control and dispatch become null.
  CNavigationContext& operator=(const CNavigationContext& other);

  void SetCurrentUrl(const std::wstring& url) { currentUrl = CCrackedUrl(url); }
  bool IsFinished() const;

  CBrowserView* control = nullptr;
  IDispatch* dispatch = nullptr;  // not owned: the browser frame's object, compared only
  CCrackedUrl requestedUrl;
  std::wstring targetFrame;
  CCrackedUrl currentUrl;
  int lastEvent = kEventBeforeNavigate;
  int statusCode = 0;
  int securityError = 0;
  bool cancelled = false;
};

}  // namespace luma::ui

#endif  // LUMA_UI_BROWSER_NAVIGATION_CONTEXT_H_
