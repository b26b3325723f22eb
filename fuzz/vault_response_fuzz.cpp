// Feeds arbitrary text to the reader of the signing service's answers and to its field decoders.
// Whatever base64 reads must write back (in the request's line form) and read again the same.
#include <cstdlib>
#include <string>

#include "service/core/vault_request.h"
#include "service/core/vault_response.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  luma::service::CVaultResponseFields fields;
  if (luma::service::ParseVaultResponse(text, fields)) {
    std::int32_t tries = 0;
    fields.Int32("remainingTries", tries);
    CSecureBuffer bytes;
    fields.Bytes("signature", bytes);
    int code = 0;
    luma::service::ParseVaultStatus(fields.Text("status"), code);
  } else if (fields.Has("status")) {
    std::abort();  // a refused answer leaves no fields
  }
  CSecureBuffer decoded;
  if (luma::service::DecodeBase64(text, decoded)) {
    CSecureBuffer again;
    if (!luma::service::DecodeBase64(luma::service::Base64Lines(decoded.data, decoded.size), again) ||
        again != decoded) {
      std::abort();
    }
  }
  return 0;
}
