#include "ui/browser/navigation_context.h"

namespace luma::ui {

CNavigationContext::CNavigationContext(CBrowserView* browser, IDispatch* frame, const std::wstring& url,
                                       const std::wstring& target)
    : control(browser), dispatch(frame), requestedUrl(url), targetFrame(target), currentUrl(url) {}

CNavigationContext::CNavigationContext(const CNavigationContext& other)
    : control(other.control),
      dispatch(other.dispatch),
      requestedUrl(other.requestedUrl),
      targetFrame(other.targetFrame),
      currentUrl(other.currentUrl),
      lastEvent(other.lastEvent),
      statusCode(other.statusCode),
      securityError(other.securityError),
      cancelled(other.cancelled) {}

CNavigationContext CNavigationContext::Refused(const CNavigationContext& other) {
  CNavigationContext refused;
  refused.requestedUrl = CCrackedUrl(other.requestedUrl.url);
  refused.securityError = kRefusedNavigationError;
  refused.cancelled = true;
  return refused;
}

CNavigationContext& CNavigationContext::operator=(const CNavigationContext& other) {
  if (this == &other) return *this;
  control = nullptr;
  dispatch = nullptr;
  requestedUrl = other.requestedUrl;
  targetFrame = other.targetFrame;
  currentUrl = other.currentUrl;
  lastEvent = other.lastEvent;
  statusCode = other.statusCode;
  securityError = other.securityError;
  cancelled = other.cancelled;
  return *this;
}

bool CNavigationContext::IsFinished() const {
  return lastEvent == kEventDownloadComplete || lastEvent == kEventNavigateComplete ||
         lastEvent == kEventDocumentComplete || lastEvent == kEventNavigateError;
}

}  // namespace luma::ui
