// The authentication methods a provider can name in its "AuthenticationType" value.
#ifndef LUMA_POLICY_CORE_AUTH_TYPE_H_
#define LUMA_POLICY_CORE_AUTH_TYPE_H_

#include "foundation/core/platform.h"

// The numbers are the type field of the authentication configuration.
enum AuthType : int {
  AUTH_TYPE_NONE = 0,
  AUTH_TYPE_PASSWORD = 1,
  AUTH_TYPE_OTP = 2,
  AUTH_TYPE_SMS = 3,
  AUTH_TYPE_CERTIFICATE = 4,
  AUTH_TYPE_KERBEROS = 5,
  AUTH_TYPE_NEGOTIATE = 6,
  AUTH_TYPE_BROWSER = 7,
};

namespace luma::policy {

// The method named by the text, compared without regard to the case of A to Z; AUTH_TYPE_NONE for
// any other text.
AuthType AuthTypeFromName(const WString& name);

// The methods that log in through the platform's integrated authentication.
inline bool IsIntegratedAuthType(int type) {
  return type == AUTH_TYPE_KERBEROS || type == AUTH_TYPE_NEGOTIATE;
}

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_AUTH_TYPE_H_
