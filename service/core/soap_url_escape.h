// Escaping of a configured service URL before it is split into its parts.
#ifndef LUMA_SERVICE_CORE_SOAP_URL_ESCAPE_H_
#define LUMA_SERVICE_CORE_SOAP_URL_ESCAPE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace luma::service {

// Longest service URL accepted, escaped.
constexpr std::size_t kMaxServiceUrlLength = 2048;

// Percent-escapes (upper-case hexadecimal) every UTF-8 byte outside the URL character set
// (letters, digits and -._~:/?#[]@!$&'()*+,;=%). False when the result would be longer than
// kMaxServiceUrlLength.
bool EscapeServiceUrl(std::string_view utf8Url, std::string& escaped);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_URL_ESCAPE_H_
