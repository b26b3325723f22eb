// The session cookie a form login hands on, taken from the server's Set-Cookie header as a browser
// takes it: the cookie's name and value, without the attributes that only tell the browser how to
// keep it (Path, Secure, HttpOnly, Expires...).
#ifndef LUMA_SERVICE_CORE_SESSION_COOKIE_H_
#define LUMA_SERVICE_CORE_SESSION_COOKIE_H_

#include "foundation/core/platform.h"

namespace luma::service {

// "name=value" of a Set-Cookie header value: the text before the first ";", split at its first
// "=", name and value trimmed of blanks and tabs. Empty when that part has no "=" or no name (a
// browser ignores such a header).
WString SessionCookieFromSetCookie(const WString& setCookie);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SESSION_COOKIE_H_
