#include "policy/config/service_config.h"

#include "foundation/win/registry_reader.h"
#include "foundation/win/system_utils.h"
#include "policy/core/setting_list.h"

CServiceConfig::CServiceConfig(HKEY key)
    : ServiceURL(luma::RegQueryString(key, L"ServiceURL")),
      ServiceTimeout(luma::RegQueryDWORD(luma::policy::kDefaultServiceTimeout, key, L"ServiceTimeout")),
      ServiceSecurityFlags(luma::RegQueryDWORD(0, key, L"ServiceSecurityFlags")) {
  luma::policy::RegQuerySplitList(key, L"ServiceIssuerFingerprints", ServiceIssuerFingerprints);
  ServiceNegotiateSupport = luma::RegQueryDWORD(0, key, L"ServiceNegotiateSupport") != 0;
  ServiceProxyNames = luma::RegQueryString(key, L"ServiceProxyNames");
  ServiceProxyUser = luma::RegQueryString(key, L"ServiceProxyUser");
  ServiceProxyPassword = luma::RegQueryString(key, L"ServiceProxyPassword");
}

CServiceConfig::CServiceConfig(const CServiceConfig& other) = default;

CServiceConfig& CServiceConfig::operator=(const CServiceConfig& other) {
  if (this == &other) return *this;
  ServiceURL = other.ServiceURL;
  ServiceTimeout = other.ServiceTimeout;
  ServiceSecurityFlags = other.ServiceSecurityFlags;
  ServiceIssuerFingerprints = other.ServiceIssuerFingerprints;
  ServiceNegotiateSupport = other.ServiceNegotiateSupport;
  ServiceProxyNames = other.ServiceProxyNames;
  ServiceProxyUser = other.ServiceProxyUser;
  luma::WipeString(ServiceProxyPassword);
  ServiceProxyPassword = other.ServiceProxyPassword;
  return *this;
}

CServiceConfig::~CServiceConfig() { luma::WipeString(ServiceProxyPassword); }

namespace luma::policy {

void RegQuerySplitList(HKEY key, const wchar_t* valueName, std::vector<std::wstring>& values) {
  std::vector<std::wstring> entries;
  luma::RegQueryStringList(key, valueName, entries);
  values = SplitSettingList(entries);
}

}  // namespace luma::policy
