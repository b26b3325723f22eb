// The request messages of the remote signing service, byte for byte: the SOAP 1.1 envelope with
// the request element in the service namespace and its fields unqualified.
#ifndef LUMA_SERVICE_CORE_VAULT_REQUEST_H_
#define LUMA_SERVICE_CORE_VAULT_REQUEST_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma::service {

// Standard base64 in lines of 76 characters: CR LF after every line of complete 3-byte groups
// (also after a last, shorter or empty one), the last CR LF taken back, then the final incomplete
// group with its padding. A multiple of 57 bytes thus ends in CR LF.
std::string Base64Lines(const BYTE* data, std::size_t size);

// One base64Binary field of a request.
struct VaultRequestField {
  const char* name;
  const CSecureBuffer* value;
};

// The whole request message of one operation ("IsAliveRequest", ...).
std::string BuildVaultRequest(const char* requestElement, const std::vector<VaultRequestField>& fields);

// "SOAPAction: \"<namespace><operation>\"\r\n".
std::string VaultActionLine(const char* operation);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_VAULT_REQUEST_H_
