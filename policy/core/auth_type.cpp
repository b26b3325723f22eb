#include "policy/core/auth_type.h"

#include "foundation/core/string_utils.h"

namespace luma::policy {

AuthType AuthTypeFromName(const WString& name) {
  static const struct {
    const WCHAR* name;
    AuthType type;
  } kNames[] = {
      {WSTR("PASSWORD"), AUTH_TYPE_PASSWORD}, {WSTR("OTP"), AUTH_TYPE_OTP},
      {WSTR("SMS"), AUTH_TYPE_SMS},           {WSTR("CERTIFICATE"), AUTH_TYPE_CERTIFICATE},
      {WSTR("KERBEROS"), AUTH_TYPE_KERBEROS}, {WSTR("NEGOTIATE"), AUTH_TYPE_NEGOTIATE},
      {WSTR("BROWSER"), AUTH_TYPE_BROWSER},
  };
  for (const auto& entry : kNames) {
    if (luma::EqualsIgnoreCase(name, entry.name)) return entry.type;
  }
  return AUTH_TYPE_NONE;
}

}  // namespace luma::policy
