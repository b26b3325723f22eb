#include "service/calls/vault_core_call_context.h"

#include <string>
#include <utility>

#include "foundation/win/system_utils.h"
#include "foundation/win/windows_exception.h"
#include "policy/config/auth_config.h"
#include "service/auth/implicit_auth_helper.h"
#include "service/auth/session_redirect.h"
#include "service/calls/authentication_fields.h"
#include "service/core/service_text_ids.h"
#include "service/vault/vault_otp_auth_client.h"

namespace {

constexpr std::int32_t kInternalStatus = 500;
constexpr std::int32_t kLoginRefusedStatus = 200;

// The text of a credential; empty when absent.
std::wstring TextOf(const std::map<DWORD, VirtualSmartCardProtocol::CAuthenticationValue>& values, DWORD id) {
  const auto found = values.find(id);
  return found == values.end() ? std::wstring() : luma::calls::GetValue(found->second);
}

}  // namespace

CVaultCoreCallContext::CVaultCoreCallContext(std::shared_ptr<CProviderContext> providerContext)
    : providerContext(std::move(providerContext)) {}

CVaultCoreCallContext::CVaultCoreCallContext(std::shared_ptr<CProviderContext> providerContext,
                                             std::shared_ptr<CPolicy> policy)
    : providerContext(std::move(providerContext)), policy(std::move(policy)) {}

void CVaultCoreCallContext::SetAuthenticationFields(
    const std::vector<VirtualSmartCardProtocol::CAuthenticationValue>& values) {
  credentials = values;
}

bool CVaultCoreCallContext::IsInteractive() const {
  const std::shared_ptr<CAuthConfig> method = providerContext->config.GetAuthConfig();
  return method == nullptr || method->interactive;
}

int CVaultCoreCallContext::AuthType() const {
  const std::shared_ptr<CAuthConfig> method = providerContext->config.GetAuthConfig();
  return method ? method->type : AUTH_TYPE_NONE;
}

bool CVaultCoreCallContext::Execute(AVaultCoreCallExecutor& executor) {
  CSecureBuffer token;
  CAuthenticationResult login;
  if (IsInteractive()) {
    if (policy) {
      providerContext->tokenCache.GetToken(*policy, token);
      if (!token.empty()) login.token = token;
    }
    if (!credentials.empty()) {
      std::map<DWORD, VirtualSmartCardProtocol::CAuthenticationValue> values;
      for (const auto& value : credentials) values[value.GetId()] = value;  // the last one counts
      if (AuthType() == AUTH_TYPE_OTP) {
        try {
          LoginWithCredentials(values, login);
        } catch (...) {
          // Anything but the login's own failures would otherwise end the worker thread.
          login.serviceError =
              CSOAPServiceException(kInternalStatus, ERROR_INTERNAL_ERROR, L"Internal Error");
        }
      }
      if (login.authError.GetError() != 0) {
        executor.SetAuthError(login.authError);
        return false;
      }
      if (login.serviceError.GetError() != 0) {
        executor.SetServiceError(login.serviceError);
        return false;
      }
      token = login.token;
    }
  }
  const bool completed = Call(executor, token);
  token.Clear();
  login.token.Clear();
  return completed;
}

bool CVaultCoreCallContext::Call(AVaultCoreCallExecutor& executor, CSecureBuffer& token) {
  CImplicitAuthHelper helper(ownerWindow, providerContext);
  std::wstring cookie;
  bool completed = false;
  try {
    const CSecureBuffer noCertificate;
    CVaultCoreSOAPClient client(providerContext->config.service,
                                policy ? policy->issuerEncCert : noCertificate, nullptr);
    helper.PrepareClient(client, silent);
    luma::BufferToString(token, cookie);
    client.proxy.SetCookie(cookie.c_str());
    if (clientObserver) clientObserver(client, helper);
    executor.Execute(client);
    helper.RememberCertificate();
    executor.SetToken(token);
    if (policy) providerContext->tokenCache.StoreToken(*policy, token);
    completed = true;
  } catch (const CAuthenticationException& error) {
    if (policy) providerContext->tokenCache.RemoveToken(*policy);
    executor.SetAuthError(error);
  } catch (const CSOAPServiceException& error) {
    helper.ForgetCertificate(&error);
    if (luma::auth::IsRedirectToOwnService(error, providerContext->config)) {
      if (policy) providerContext->tokenCache.RemoveToken(*policy);
      executor.SetAuthError(
          CAuthenticationException(luma::auth::kSessionRedirectStatus, ERROR_NOT_AUTHENTICATED,
                                   luma::FormatSystemErrorMessage(ERROR_NOT_AUTHENTICATED, false)));
    }
    executor.SetServiceError(error);
  } catch (const CWindowsException& error) {
    executor.SetServiceError(CSOAPServiceException(
        kInternalStatus, static_cast<std::int32_t>(error.GetError()), error.GetMessage()));
  } catch (...) {
    executor.SetServiceError(CSOAPServiceException(kInternalStatus, ERROR_INTERNAL_ERROR, L"Internal Error"));
  }
  luma::WipeString(cookie);
  return completed;
}

bool CVaultCoreCallContext::LoginWithCredentials(
    const std::map<DWORD, VirtualSmartCardProtocol::CAuthenticationValue>& values,
    CAuthenticationResult& login) {
  std::wstring user = TextOf(values, luma::calls::kFieldUserId);
  std::wstring password = TextOf(values, luma::calls::kFieldPassword);
  std::wstring oneTimePassword = TextOf(values, luma::calls::kFieldOneTimePassword);
  const auto wipeAll = [&]() {
    luma::WipeString(user);
    luma::WipeString(password);
    luma::WipeString(oneTimePassword);
  };
  if (user.empty() || password.empty() || oneTimePassword.empty()) {
    login.SetAuthError(CAuthenticationException(
        kLoginRefusedStatus, ERROR_INVALID_PARAMETER,
        luma::FormatResourceString(luma::service::kStrOtpLoginFailed, user.c_str())));
    wipeAll();
    return false;
  }
  try {
    const auto method = std::dynamic_pointer_cast<COTPConfig>(providerContext->config.GetAuthConfig());
    if (!method) throw CWindowsException(ERROR_BAD_CONFIGURATION);
    std::wstring cookie;
    if (otpLogin) {
      cookie = otpLogin(*method, user, password, oneTimePassword);
    } else {
      CVaultOTPAuthClient client(method->GetServiceConfig(), method->ServiceParameters);
      cookie = client.Authenticate(user, password, oneTimePassword);
    }
    luma::StringToBuffer(cookie, login.token);
    luma::WipeString(cookie);
  } catch (const CAuthenticationException& error) {
    login.SetAuthError(error);
  } catch (const CWindowsException& error) {
    login.SetAuthError(CAuthenticationException(kInternalStatus, static_cast<std::int32_t>(error.GetError()),
                                                error.GetMessage()));
  } catch (...) {
    wipeAll();
    throw;
  }
  wipeAll();
  return login.authError.GetError() == 0 && login.serviceError.GetError() == 0;
}
