#include "service/vault/vault_otp_auth_client.h"

#include "foundation/core/platform.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/service_config.h"
#include "service/core/session_cookie.h"
#include "service/vault/post_parameters.h"
#include "service/vault/web_service_exception.h"

CVaultOTPAuthClient::CVaultOTPAuthClient(const CServiceConfig& config, std::vector<std::wstring> templates)
    : transport(config.ServiceURL.c_str()), parameterTemplates(std::move(templates)) {
  ConfigureSoapClient(config, transport);
}

std::wstring CVaultOTPAuthClient::Authenticate(const std::wstring& user, const std::wstring& password,
                                               const std::wstring& otp) {
  CPostParameters parameters(parameterTemplates);
  // In this order, so that a value holding a later placeholder is filled by the later step.
  parameters.Replace(L"user", user);
  parameters.Replace(L"password", password);
  parameters.Replace(L"otp", otp);
  if (parameters.HasUnresolvedPlaceholders()) throw CWindowsException(ERROR_BAD_CONFIGURATION);

  transport.CleanupClient();
  parameters.WriteTo(transport);
  const HRESULT sent = transport.SendRequest(nullptr);
  const DWORD status = transport.GetStatusCode();
  if (sent == S_OK && status == 200) {
    std::wstring header = transport.GetSetCookieHeader();
    std::wstring cookie = luma::service::SessionCookieFromSetCookie(header);
    luma::WipeString(header);
    return cookie;
  }

  if (status >= 400 && status <= 499) {
    std::string body = transport.ReadResponseBody();
    std::wstring message;
    if (!body.empty()) {
      const int length =
          MultiByteToWideChar(CP_ACP, 0, body.data(), static_cast<int>(body.size()), nullptr, 0);
      if (length > 0) {
        message.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, body.data(), static_cast<int>(body.size()), &message[0], length);
      }
      luma::SecureWipe(&body[0], body.size());
    }
    throw CAuthenticationException(static_cast<std::int32_t>(status), kAccessDenied, message);
  }
  std::wstring text;
  const DWORD code = transport.GetErrorText(text);
  throw CAuthenticationException(static_cast<std::int32_t>(status), static_cast<std::int32_t>(code), text);
}
