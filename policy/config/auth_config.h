// The authentication method of a provider, one class per method, each read from the subkey of the
// provider key named after the method: the switches of automatic provisioning and refresh, and for
// the explicit methods the dialog texts and the method's own service settings (its login address).
// Built once when the providers are read and never changed afterwards.
#ifndef LUMA_POLICY_CONFIG_AUTH_CONFIG_H_
#define LUMA_POLICY_CONFIG_AUTH_CONFIG_H_

#include <windows.h>

#include <string>
#include <vector>

#include "policy/config/config_environment.h"
#include "policy/config/service_config.h"
#include "policy/core/auth_type.h"
#include "policy/filters/certificate_filter_holder.h"

namespace luma::policy {

constexpr DWORD kDefaultAutoRefreshInterval = 28800;  // seconds
// CERT_SYSTEM_STORE_CURRENT_USER: the current user's certificate stores.
constexpr DWORD kCurrentUserStoreLocation = 0x10000;

}  // namespace luma::policy

class CAuthConfig {
 public:
  CAuthConfig() = default;
  CAuthConfig(int authType, bool isInteractive) : type(authType), interactive(isInteractive) {}
  virtual ~CAuthConfig() = default;

  // A bare configuration (no method) is never valid.
  virtual bool IsValid() const { return type != AUTH_TYPE_NONE; }
  // "AutoProvision", "AutoRefresh", "AutoRefreshInterval" and "AutoMaxConsecutiveErrors".
  void ReadAutoSettings(HKEY methodKey);

  int type = AUTH_TYPE_NONE;
  bool interactive = true;  // the method needs the user
  bool AutoProvision = false;
  bool AutoRefresh = false;
  DWORD AutoRefreshInterval = 0;       // seconds; 28800 when read from a method key
  DWORD AutoMaxConsecutiveErrors = 0;  // 0: no limit
};

// Base of the methods that ask the user and log in at an address of their own.
class CExplicitAuthConfig : public CAuthConfig {
 public:
  explicit CExplicitAuthConfig(int authType) : CAuthConfig(authType, true) {}

  bool IsValid() const override { return CAuthConfig::IsValid() && !service.ServiceURL.empty(); }
  // The automatic settings, the localised dialog title and the method's service settings.
  void ReadExplicitSettings(HKEY methodKey, const std::wstring& language);
  CServiceConfig GetServiceConfig() const { return service; }

  std::wstring DialogTitleAuthentication;
  CServiceConfig service;
};

class CPasswordConfig : public CExplicitAuthConfig {
 public:
  explicit CPasswordConfig(
      HKEY providerKey, const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());
  bool IsValid() const override { return CExplicitAuthConfig::IsValid() && !ServiceParameters.empty(); }

  std::wstring HintUserID, HintPassword;
  std::wstring ToolTipUserID, ToolTipPassword;
  std::vector<std::wstring> ServiceParameters;  // lines of the login form's template
};

class COTPConfig : public CExplicitAuthConfig {
 public:
  explicit COTPConfig(HKEY providerKey,
                      const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());
  bool IsValid() const override { return CExplicitAuthConfig::IsValid() && !ServiceParameters.empty(); }

  std::wstring HintUserID, HintOTP, HintPassword;
  std::wstring ToolTipUserID, ToolTipOTP, ToolTipPassword;
  std::vector<std::wstring> ServiceParameters;
};

class CSMSConfig : public CExplicitAuthConfig {
 public:
  explicit CSMSConfig(HKEY providerKey,
                      const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());

  std::wstring HintUserID, HintSMS, HintPassword;
  std::wstring ToolTipUserID, ToolTipSMS, ToolTipPassword;
  std::vector<std::wstring> ServiceParameters;
};

// Login with a client certificate; without a ServiceURL of its own the login happens silently.
class CCertificateConfig : public CExplicitAuthConfig {
 public:
  explicit CCertificateConfig(
      HKEY providerKey, const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());
  bool IsValid() const override {
    return CAuthConfig::IsValid() && !AuthenticationCertificateFilter.empty() && !CertStoreName.empty();
  }

  std::wstring AuthenticationCertificateFilter;  // filter text choosing the client certificate
  CCertificateFilter filter{L"", L""};           // built from that text
  std::wstring CertStoreName = L"MY";
  DWORD CertStoreType = luma::policy::kCurrentUserStoreLocation;
};

// The platform's integrated logins: no dialog and no service settings of their own.
class CKerberosConfig : public CAuthConfig {
 public:
  explicit CKerberosConfig(HKEY providerKey);
};

class CNegotiateConfig : public CAuthConfig {
 public:
  explicit CNegotiateConfig(HKEY providerKey);
};

#endif  // LUMA_POLICY_CONFIG_AUTH_CONFIG_H_
