// What an authentication produced for the remote call that needs it: the account's session token
// (cookie text as UTF-16 units) and the certificate's PIN. Both are wiped when released. The two
// flags are preset by the creator (the silent check sets both) and survive Clear.
#ifndef LUMA_SERVICE_AUTH_AUTH_RESULT_H_
#define LUMA_SERVICE_AUTH_AUTH_RESULT_H_

#include <string>

#include "foundation/core/secure_buffer.h"

class CAuthResult {
 public:
  CAuthResult() = default;
  CAuthResult(const CAuthResult& other) = default;
  // Deep copies of both buffers, and the flags.
  CAuthResult& operator=(const CAuthResult& other) = default;
  virtual ~CAuthResult();

  // Wipes and empties both buffers; the flags stay.
  void Clear();
  // The token's bytes as size / 2 UTF-16 units.
  void GetToken(std::wstring& text) const;

  bool tokenFlag = false;
  CSecureBuffer token;
  bool pinFlag = false;
  CSecureBuffer pin;
};

#endif  // LUMA_SERVICE_AUTH_AUTH_RESULT_H_
