// The web-form login of the password, one-time-password and SMS methods: posts the configured
// form to the method's service and returns the session cookie the server sets.
#ifndef LUMA_SERVICE_VAULT_VAULT_OTP_AUTH_CLIENT_H_
#define LUMA_SERVICE_VAULT_VAULT_OTP_AUTH_CLIENT_H_

#include <string>
#include <vector>

#include "service/soap/soap_secure_wininet_client.h"

class CServiceConfig;

class CVaultOTPAuthClient {
 public:
  // The code of a 4xx answer: the endpoint refused access.
  static constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x803D000A);

  CVaultOTPAuthClient(const CServiceConfig& config, std::vector<std::wstring> parameterTemplates);
  virtual ~CVaultOTPAuthClient() = default;
  CVaultOTPAuthClient(const CVaultOTPAuthClient&) = delete;
  CVaultOTPAuthClient& operator=(const CVaultOTPAuthClient&) = delete;

  // The session cookie (empty when the server set none). Throws CWindowsException
  // (ERROR_BAD_CONFIGURATION) for a form with a placeholder left, before any traffic, and
  // CAuthenticationException for a failed login.
  std::wstring Authenticate(const std::wstring& user, const std::wstring& password, const std::wstring& otp);

  CSoapSecureWininetClient& Transport() { return transport; }

 private:
  CSoapSecureWininetClient transport;
  std::vector<std::wstring> parameterTemplates;
};

#endif  // LUMA_SERVICE_VAULT_VAULT_OTP_AUTH_CLIENT_H_
