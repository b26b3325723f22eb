// Pinning of the CA that issued a service's server certificate by its SHA-1 fingerprint.
#ifndef LUMA_SERVICE_CORE_SOAP_FINGERPRINT_H_
#define LUMA_SERVICE_CORE_SOAP_FINGERPRINT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace luma::service {

// Lower-case hexadecimal, two digits per byte.
std::wstring HexLower(const unsigned char* data, std::size_t length);

// True when the fingerprint is not empty and equals one accepted entry, ASCII letters compared
// without regard to case.
bool IsAcceptedIssuer(std::wstring_view fingerprint, const std::vector<std::wstring>& accepted);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_SOAP_FINGERPRINT_H_
