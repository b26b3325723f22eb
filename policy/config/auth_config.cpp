#include "policy/config/auth_config.h"

#include "foundation/win/registry_reader.h"

namespace {
std::wstring ReadLocalized(HKEY key, const std::wstring& language, const wchar_t* valueName) {
  return luma::RegQueryLocalizedString(key, language, L"en", valueName);
}
}  // namespace

void CAuthConfig::ReadAutoSettings(HKEY methodKey) {
  AutoProvision = luma::RegQueryDWORD(0, methodKey, L"AutoProvision") != 0;
  AutoRefresh = luma::RegQueryDWORD(0, methodKey, L"AutoRefresh") != 0;
  AutoRefreshInterval =
      luma::RegQueryDWORD(luma::policy::kDefaultAutoRefreshInterval, methodKey, L"AutoRefreshInterval");
  AutoMaxConsecutiveErrors = luma::RegQueryDWORD(0, methodKey, L"AutoMaxConsecutiveErrors");
}

void CExplicitAuthConfig::ReadExplicitSettings(HKEY methodKey, const std::wstring& language) {
  ReadAutoSettings(methodKey);
  DialogTitleAuthentication = ReadLocalized(methodKey, language, L"DialogTitleAuthentication");
  service = CServiceConfig(methodKey);
}

CPasswordConfig::CPasswordConfig(HKEY providerKey, const CConfigEnvironment& environment)
    : CExplicitAuthConfig(AUTH_TYPE_PASSWORD) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"Password");
  if (!key) return;
  const std::wstring language = environment.GetUILanguageName();
  ReadExplicitSettings(key.get(), language);
  HintUserID = ReadLocalized(key.get(), language, L"HintUserID");
  HintPassword = ReadLocalized(key.get(), language, L"HintPassword");
  ToolTipUserID = ReadLocalized(key.get(), language, L"ToolTipUserID");
  ToolTipPassword = ReadLocalized(key.get(), language, L"ToolTipPassword");
  luma::RegQueryStringList(key.get(), L"ServiceParameters", ServiceParameters);
}

COTPConfig::COTPConfig(HKEY providerKey, const CConfigEnvironment& environment)
    : CExplicitAuthConfig(AUTH_TYPE_OTP) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"OTP");
  if (!key) return;
  const std::wstring language = environment.GetUILanguageName();
  ReadExplicitSettings(key.get(), language);
  HintUserID = ReadLocalized(key.get(), language, L"HintUserID");
  HintOTP = ReadLocalized(key.get(), language, L"HintOTP");
  HintPassword = ReadLocalized(key.get(), language, L"HintPassword");
  ToolTipUserID = ReadLocalized(key.get(), language, L"ToolTipUserID");
  ToolTipOTP = ReadLocalized(key.get(), language, L"ToolTipOTP");
  ToolTipPassword = ReadLocalized(key.get(), language, L"ToolTipPassword");
  luma::RegQueryStringList(key.get(), L"ServiceParameters", ServiceParameters);
}

CSMSConfig::CSMSConfig(HKEY providerKey, const CConfigEnvironment& environment)
    : CExplicitAuthConfig(AUTH_TYPE_SMS) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"SMS");
  if (!key) return;
  const std::wstring language = environment.GetUILanguageName();
  ReadExplicitSettings(key.get(), language);
  HintUserID = ReadLocalized(key.get(), language, L"HintUserID");
  HintSMS = ReadLocalized(key.get(), language, L"HintSMS");
  HintPassword = ReadLocalized(key.get(), language, L"HintPassword");
  ToolTipUserID = ReadLocalized(key.get(), language, L"ToolTipUserID");
  ToolTipSMS = ReadLocalized(key.get(), language, L"ToolTipSMS");
  ToolTipPassword = ReadLocalized(key.get(), language, L"ToolTipPassword");
  luma::RegQueryStringList(key.get(), L"ServiceParameters", ServiceParameters);
}

CCertificateConfig::CCertificateConfig(HKEY providerKey, const CConfigEnvironment& environment)
    : CExplicitAuthConfig(AUTH_TYPE_CERTIFICATE) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"Certificate");
  if (!key) return;
  ReadExplicitSettings(key.get(), environment.GetUILanguageName());
  interactive = !service.ServiceURL.empty();
  CertStoreName = luma::RegQueryString(key.get(), L"CertStoreName", L"MY");
  CertStoreType = luma::RegQueryDWORD(luma::policy::kCurrentUserStoreLocation, key.get(), L"CertStoreType");
  AuthenticationCertificateFilter = luma::RegQueryString(key.get(), L"AuthenticationCertificateFilter");
  filter = CCertificateFilter(L"", AuthenticationCertificateFilter);
}

CKerberosConfig::CKerberosConfig(HKEY providerKey) : CAuthConfig(AUTH_TYPE_KERBEROS, false) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"Kerberos");
  if (key) ReadAutoSettings(key.get());
}

CNegotiateConfig::CNegotiateConfig(HKEY providerKey) : CAuthConfig(AUTH_TYPE_NEGOTIATE, false) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"Negotiate");
  if (key) ReadAutoSettings(key.get());
}
