// One service provider as its registry key defines it: the names and texts shown to the user, where
// its policies are kept and how their signers are checked, the store and key provider its
// certificates are provisioned with, its service settings and its authentication method.
#ifndef LUMA_POLICY_CONFIG_PROVIDER_CONFIG_H_
#define LUMA_POLICY_CONFIG_PROVIDER_CONFIG_H_

#include <windows.h>

#include <memory>
#include <string>

#include "policy/config/auth_config.h"
#include "policy/config/config_environment.h"
#include "policy/config/service_config.h"
#include "policy/filters/certificate_filter_holder.h"

class CProviderConfig {
 public:
  // A placeholder, assigned before use.
  CProviderConfig();
  // Reads parent\subKey; a key that does not open leaves the defaults (an invalid definition).
  CProviderConfig(HKEY parent, const std::wstring& subKey,
                  const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());
  // Copies share the authentication method.
  CProviderConfig(const CProviderConfig& other) = default;
  CProviderConfig& operator=(const CProviderConfig& other) = default;
  virtual ~CProviderConfig() = default;

  std::shared_ptr<CAuthConfig> GetAuthConfig() const { return authConfig; }
  // The login address of an explicit method; false for the others and for an empty address.
  bool GetServiceURL(std::wstring& url) const;

  std::wstring name;  // the subkey's name in upper case: the provider's identity
  DWORD disabled = 0;
  bool member = true;  // the user is in one of the groups the provider is limited to, or there are none
  std::wstring Name;
  std::wstring Description;
  std::wstring DialogTitlePassword;
  std::wstring ToolTipPassword;
  std::wstring ToolTipTransportPassword;
  std::wstring AccountManagementURL;
  std::wstring PolicyStore;  // environment variables expanded
  std::wstring TargetCertStoreName;
  DWORD TargetCertStoreType = 0;
  std::wstring TargetProviderName;
  DWORD TargetProviderType = 0;
  std::wstring FriendlyNamePrefix;
  std::wstring CardReaderImage;
  CServiceConfig service;
  std::shared_ptr<CAuthConfig> authConfig;
  DWORD PolicySignerValidationPolicy = 0;
  // Accepted policy signers when no trust module names any; no condition by default.
  CCertificateFilter PolicySignerCertificateFilter{L"", L""};

 private:
  void ReadMembership(HKEY key, const CConfigEnvironment& environment);
  void ReadTargetStore(HKEY key, const CConfigEnvironment& environment);
  void ReadAuthentication(HKEY key, const CConfigEnvironment& environment);
};

#endif  // LUMA_POLICY_CONFIG_PROVIDER_CONFIG_H_
