#include "policy/config/provider_config.h"

#include <vector>

#include "foundation/core/string_utils.h"
#include "foundation/win/registry_reader.h"
#include "foundation/win/system_utils.h"
#include "policy/config/browser_auth_config.h"

namespace {
constexpr wchar_t kProductStoreName[] = L"lumaPassV";
constexpr wchar_t kDefaultTargetProviderName[] = L"Microsoft Base Smart Card Crypto Provider";
constexpr DWORD kDefaultTargetProviderType = 1;  // PROV_RSA_FULL

std::shared_ptr<CAuthConfig> MakeAuthConfig(AuthType type, HKEY providerKey,
                                            const CConfigEnvironment& environment) {
  switch (type) {
    case AUTH_TYPE_PASSWORD:
      return std::make_shared<CPasswordConfig>(providerKey, environment);
    case AUTH_TYPE_OTP:
      return std::make_shared<COTPConfig>(providerKey, environment);
    case AUTH_TYPE_SMS:
      return std::make_shared<CSMSConfig>(providerKey, environment);
    case AUTH_TYPE_CERTIFICATE:
      return std::make_shared<CCertificateConfig>(providerKey, environment);
    case AUTH_TYPE_KERBEROS:
      return std::make_shared<CKerberosConfig>(providerKey);
    case AUTH_TYPE_NEGOTIATE:
      return std::make_shared<CNegotiateConfig>(providerKey);
    case AUTH_TYPE_BROWSER:
      return std::make_shared<CBrowserAuthConfig>(providerKey, environment);
    case AUTH_TYPE_NONE:
      break;
  }
  return std::make_shared<CAuthConfig>();
}
}  // namespace

CProviderConfig::CProviderConfig() : authConfig(std::make_shared<CAuthConfig>()) {}

CProviderConfig::CProviderConfig(HKEY parent, const std::wstring& subKey,
                                 const CConfigEnvironment& environment)
    : name(luma::ToUpperCase(subKey)),
      TargetCertStoreName(L"MY"),
      TargetCertStoreType(luma::policy::kCurrentUserStoreLocation),
      TargetProviderName(kDefaultTargetProviderName),
      TargetProviderType(kDefaultTargetProviderType),
      authConfig(std::make_shared<CAuthConfig>()) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(parent, subKey);
  if (!key) return;
  disabled = luma::RegQueryDWORD(0, key.get(), L"Disabled");
  ReadMembership(key.get(), environment);
  const std::wstring language = environment.GetUILanguageName();
  Name = luma::RegQueryLocalizedString(key.get(), language, L"en", L"Name");
  Description = luma::RegQueryLocalizedString(key.get(), language, L"en", L"Description");
  DialogTitlePassword = luma::RegQueryLocalizedString(key.get(), language, L"en", L"DialogTitlePassword");
  ToolTipPassword = luma::RegQueryLocalizedString(key.get(), language, L"en", L"ToolTipPassword");
  ToolTipTransportPassword =
      luma::RegQueryLocalizedString(key.get(), language, L"en", L"ToolTipTransportPassword");
  service = CServiceConfig(key.get());
  AccountManagementURL = luma::RegQueryString(key.get(), L"AccountManagementURL");
  ReadTargetStore(key.get(), environment);
  FriendlyNamePrefix = luma::RegQueryString(key.get(), L"FriendlyNamePrefix");
  TargetProviderName = luma::RegQueryString(key.get(), L"TargetProviderName", kDefaultTargetProviderName);
  TargetProviderType = luma::RegQueryDWORD(kDefaultTargetProviderType, key.get(), L"TargetProviderType");
  CardReaderImage = luma::RegQueryString(key.get(), L"CardReaderImage");
  ReadAuthentication(key.get(), environment);
  PolicyStore = luma::ExpandEnvironmentText(luma::RegQueryString(key.get(), L"PolicyStore"));
  PolicySignerValidationPolicy = luma::RegQueryDWORD(0, key.get(), L"PolicySignerValidationPolicy");
  PolicySignerCertificateFilter =
      CCertificateFilter(L"", luma::RegQueryString(key.get(), L"PolicySignerCertificateFilter"));
}

void CProviderConfig::ReadMembership(HKEY key, const CConfigEnvironment& environment) {
  std::vector<std::wstring> groups;
  luma::policy::RegQuerySplitList(key, L"EnableOnlyForMembersOf", groups);
  if (groups.empty()) return;
  member = false;
  for (const std::wstring& group : groups) {
    bool isMember = false;
    // A group that cannot be resolved does not match.
    if (environment.IsCurrentUserInGroup(group, isMember) == ERROR_SUCCESS && isMember) {
      member = true;
      return;
    }
  }
}

void CProviderConfig::ReadTargetStore(HKEY key, const CConfigEnvironment& environment) {
  if (environment.ProductPhysicalStoreExists()) {
    // The product's own store lives in the current user's "MY": its location is fixed.
    TargetCertStoreName = luma::RegQueryString(key, L"TargetCertStoreName", kProductStoreName);
    TargetCertStoreType = luma::policy::kCurrentUserStoreLocation;
  } else {
    TargetCertStoreName = luma::RegQueryString(key, L"TargetCertStoreName", L"MY");
    TargetCertStoreType =
        luma::RegQueryDWORD(luma::policy::kCurrentUserStoreLocation, key, L"TargetCertStoreType");
  }
}

void CProviderConfig::ReadAuthentication(HKEY key, const CConfigEnvironment& environment) {
  const AuthType type = luma::policy::AuthTypeFromName(luma::RegQueryString(key, L"AuthenticationType"));
  if (type == AUTH_TYPE_NONE) return;
  authConfig = MakeAuthConfig(type, key, environment);
  // The integrated logins use the provider's own connection, which must answer their challenges.
  if (luma::policy::IsIntegratedAuthType(type)) service.ServiceNegotiateSupport = true;
}

bool CProviderConfig::GetServiceURL(std::wstring& url) const {
  url.clear();
  const auto* method = dynamic_cast<const CExplicitAuthConfig*>(authConfig.get());
  if (method == nullptr) return false;
  url = method->GetServiceConfig().ServiceURL;
  return !url.empty();
}
