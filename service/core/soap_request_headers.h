// The header block of one request to the signing service: SOAP call or form post, the session
// cookie sent by hand, and the body length.
#ifndef LUMA_SERVICE_CORE_SOAP_REQUEST_HEADERS_H_
#define LUMA_SERVICE_CORE_SOAP_REQUEST_HEADERS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace luma::service {

// Longest cookie sent; the service's session cookies are far shorter.
constexpr std::size_t kMaxCookieLength = 4096;

// True when the text may travel as the value of a "Cookie: " header: not longer than
// kMaxCookieLength and free of control characters, so that it can never end the header line.
bool IsSendableCookie(std::wstring_view cookie);

// With an action line (ending in CR LF): the line and the XML content type. Without one (empty):
// the form content type and, when the locale name is known, "Accept-Language". Then the
// "Cookie: " line when the cookie is not empty. Every line ends in CR LF.
std::wstring BuildRequestHeaders(std::wstring_view actionLine, std::wstring_view localeName,
                                 std::wstring_view cookie);

// "Content-Length: <n>\r\n".
std::wstring ContentLengthHeader(std::size_t length);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_REQUEST_HEADERS_H_
