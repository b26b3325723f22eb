#include "service/calls/authentication_fields.h"

#include "foundation/core/string_utils.h"
#include "foundation/win/system_utils.h"
#include "policy/config/auth_config.h"

namespace luma::calls {
namespace {

using VirtualSmartCardProtocol::AuthenticationFieldBytes;
using VirtualSmartCardProtocol::AuthenticationFieldInput;
using VirtualSmartCardProtocol::AuthenticationFieldNumber;
using VirtualSmartCardProtocol::AuthenticationFieldSecretInput;
using VirtualSmartCardProtocol::CAuthenticationField;
using VirtualSmartCardProtocol::CAuthenticationFieldResponse;

// An empty input field with the method's localised hint and tool tip.
CAuthenticationField InputField(DWORD id, DWORD kind, const std::wstring& label,
                                const std::wstring& toolTip) {
  return CAuthenticationField(id, kind, kFlagsInput, label, toolTip, CSecureBuffer());
}

void AddUserAndPassword(const std::wstring& hintUser, const std::wstring& tipUser,
                        const std::wstring& hintPassword, const std::wstring& tipPassword,
                        CAuthenticationFieldResponse& response) {
  response.SetField(InputField(kFieldUserId, AuthenticationFieldInput, hintUser, tipUser));
  response.SetField(InputField(kFieldPassword, AuthenticationFieldSecretInput, hintPassword, tipPassword));
}

void AddMethodFields(const CAuthConfig& method, CAuthenticationFieldResponse& response) {
  switch (method.type) {
    case AUTH_TYPE_PASSWORD:
      if (const auto* config = dynamic_cast<const CPasswordConfig*>(&method)) {
        AddUserAndPassword(config->HintUserID, config->ToolTipUserID, config->HintPassword,
                           config->ToolTipPassword, response);
      }
      break;
    case AUTH_TYPE_OTP:
      if (const auto* config = dynamic_cast<const COTPConfig*>(&method)) {
        AddUserAndPassword(config->HintUserID, config->ToolTipUserID, config->HintPassword,
                           config->ToolTipPassword, response);
        response.SetField(
            InputField(kFieldOneTimePassword, AuthenticationFieldInput, config->HintOTP, config->ToolTipOTP));
      }
      break;
    case AUTH_TYPE_SMS:
      if (const auto* config = dynamic_cast<const CSMSConfig*>(&method)) {
        AddUserAndPassword(config->HintUserID, config->ToolTipUserID, config->HintPassword,
                           config->ToolTipPassword, response);
        response.SetField(
            InputField(kFieldSmsCode, AuthenticationFieldInput, config->HintSMS, config->ToolTipSMS));
      }
      break;
    case AUTH_TYPE_CERTIFICATE:
      if (const auto* config = dynamic_cast<const CCertificateConfig*>(&method)) {
        response.SetField(TextField(kFieldCertStoreName, config->CertStoreName, kFlagsFixed));
        CAuthenticationField storeType = TextField(kFieldCertStoreType, L"", kFlagsFixed);
        storeType.SetKind(AuthenticationFieldNumber);
        SetValue(storeType, static_cast<std::uint32_t>(config->CertStoreType));
        response.SetField(storeType);
        response.SetField(
            TextField(kFieldCertificateFilter, config->AuthenticationCertificateFilter, kFlagsFixed));
      }
      break;
    default:
      break;
  }
}

DWORD MethodNumber(int type) {
  switch (type) {
    case AUTH_TYPE_PASSWORD:
    case AUTH_TYPE_OTP:
      return 2;
    case AUTH_TYPE_SMS:
      return 3;
    case AUTH_TYPE_CERTIFICATE:
      return 4;
    case AUTH_TYPE_KERBEROS:
      return 5;
    case AUTH_TYPE_NEGOTIATE:
      return 6;
    default:
      return 0;
  }
}

CAuthenticationField NumberField(DWORD id, std::uint32_t number, DWORD flags) {
  CAuthenticationField field = TextField(id, L"", flags);
  field.SetKind(AuthenticationFieldNumber);
  SetValue(field, number);
  return field;
}

}  // namespace

CAuthenticationField TextField(DWORD id, const std::wstring& text, DWORD flags) {
  CAuthenticationField field(id, VirtualSmartCardProtocol::AuthenticationFieldText, flags, L"", L"",
                             CSecureBuffer());
  SetValue(field, text);
  return field;
}

void SetValue(CAuthenticationField& field, const std::wstring& text) {
  CSecureBuffer block;
  StringToBuffer(text, block);
  field.SetValue(block);
}

void SetValue(CAuthenticationField& field, std::uint32_t number) {
  const BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                         static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
  field.SetValue(CSecureBuffer(sizeof bytes, bytes));
}

std::wstring GetValue(const VirtualSmartCardProtocol::CAuthenticationValue& value) {
  const CSecureBuffer& bytes = value.GetValue();
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data), bytes.size / sizeof(wchar_t));
}

void FillProviderFields(const std::shared_ptr<CProviderContext>& providerContext,
                        CAuthenticationFieldResponse& response) {
  const CProviderConfig& config = providerContext->config;
  response.SetField(TextField(kFieldProviderName, config.name, kFlagsFixed));
  response.SetField(TextField(kFieldProviderDisplayName, config.Name, kFlagsShown));
  response.SetField(TextField(kFieldProviderDescription, config.Description, kFlagsShown));
  if (!config.AccountManagementURL.empty()) {
    response.SetField(TextField(kFieldAccountManagementUrl, config.AccountManagementURL, kFlagsFixed));
  }
  const std::shared_ptr<CAuthConfig> method = config.GetAuthConfig();
  if (!method) {
    response.SetInteraction(2);
    response.SetMethod(0);
    return;
  }
  AddMethodFields(*method, response);
  response.SetInteraction(method->interactive ? 2 : 1);
  response.SetMethod(MethodNumber(method->type));
}

void FillAccountFields(const std::shared_ptr<CPolicy>& policy, CAuthenticationFieldResponse& response) {
  response.SetField(TextField(kFieldAccountKey, policy->accountKey, kFlagsFixed));
  response.SetField(TextField(kFieldAccountUserId, policy->userId, kFlagsShown));
  response.SetField(TextField(kFieldUserFriendlyName, policy->userFriendlyName, kFlagsShown));
  response.SetField(TextField(kFieldIssuerId, policy->issuerId, kFlagsShown));
  response.SetField(CAuthenticationField(kFieldIssuerIcon, AuthenticationFieldBytes, kFlagsShown, L"", L"",
                                         policy->issuerIcon));
  response.SetField(NumberField(
      kFieldThisUpdate, static_cast<std::uint32_t>(FileTimeToTime64(policy->thisUpdate)), kFlagsFixed));
  response.SetField(NumberField(
      kFieldNextUpdate, static_cast<std::uint32_t>(FileTimeToTime64(policy->nextUpdate)), kFlagsFixed));
}

}  // namespace luma::calls
