// Small services of the browser login: URL escaping of template values, the platform's cookie store,
// the current document of the browser that raised an event, and the SSL session cache.
#ifndef LUMA_UI_BROWSER_WEB_HELPERS_H_
#define LUMA_UI_BROWSER_WEB_HELPERS_H_

#include <string>

#include "ui/browser/navigation_context.h"

namespace luma::ui {

// The value escaped as one URL path segment; unchanged when it cannot be escaped.
std::wstring EscapeUrlValue(const std::wstring& value);

// The cookie `name` the platform's cookie store holds for the context's requested address, HTTP-only
// cookies included; empty when there is none or the store cannot be read. Every buffer that held it
// is wiped.
std::wstring GetCookieByName(const CNavigationContext& context, const std::wstring& name);
// Replaces the cookie with an expired empty one.
bool ExpireCookie(const std::wstring& url, const std::wstring& name);

// The current document of the context's browser; nothing happens without one.
void SetElementInnerHtml(const CNavigationContext& context, const std::wstring& elementId,
                         const std::wstring& html);
bool DocumentHasBodyText(const CNavigationContext& context);

// Empties the process's SSL session cache (schannel) and WinINet's, so that a connection refused
// for its certificate is not reused.
void ClearSslSessionCache();

}  // namespace luma::ui

#endif  // LUMA_UI_BROWSER_WEB_HELPERS_H_
