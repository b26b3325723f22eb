// The remote half of SignData and DecryptData: one call of the signing service with a card
// certificate's private key, and what its outcome means for the certificate's cached PIN and for
// the text the user is shown when no result comes back.
#ifndef LUMA_SERVICE_REQUESTS_KEY_OPERATION_CALL_H_
#define LUMA_SERVICE_REQUESTS_KEY_OPERATION_CALL_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "service/account/cert_context.h"
#include "service/auth/auth_result.h"

class CMessageEncryption;
class CVaultCoreSOAPClient;

namespace luma::requests {

enum class KeyOperation {
  kPkcs1Sign,   // data: a DigestInfo
  kRawDecrypt,  // data: a block of the key's length, sent as it is
};

struct KeyOperationCall {
  KeyOperation operation = KeyOperation::kPkcs1Sign;
  CSecureBuffer data;
  // Signatures keep the client certificate of certificate login for the account's next call.
  bool rememberCertificate = true;
  std::shared_ptr<CMessageEncryption> exchangeKey;
  // Sees the prepared client just before the call; for tests that break the exchange.
  std::function<void(CVaultCoreSOAPClient&)> clientObserver;
};

// Makes the call with the authentication's token and PIN. Returns the result; when it is empty,
// errorText holds the reason for the user: the text of the service status, the message of a
// service or Windows failure, or the unexpected error for anything else (no failure escapes). A
// wrong PIN leaves the provider's PIN cache; a blocked certificate is marked blocked there too.
CSecureBuffer CallKeyOperation(const CCertContext& context, const CAuthResult& auth,
                               const KeyOperationCall& call, std::wstring& errorText) noexcept;

}  // namespace luma::requests

#endif  // LUMA_SERVICE_REQUESTS_KEY_OPERATION_CALL_H_
