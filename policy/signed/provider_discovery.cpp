#include "policy/signed/provider_discovery.h"

#include "foundation/win/registry_reader.h"
#include "foundation/win/unique_handle.h"

namespace {

constexpr wchar_t kMachineProviders[] = L"SOFTWARE\\nuvak\\lumaPassV\\Provider";
constexpr wchar_t kPolicyProviders[] = L"SOFTWARE\\Policies\\nuvak\\lumaPassV\\Provider";
constexpr DWORD kMaxSubKeyName = 260;

}  // namespace

namespace luma::policy {

CProviderDiscoverySource GetSystemProviderDiscoverySource() {
  CProviderDiscoverySource source;
  source.locations = {{HKEY_LOCAL_MACHINE, kMachineProviders},
                      {HKEY_LOCAL_MACHINE, kPolicyProviders},
                      {HKEY_CURRENT_USER, kPolicyProviders}};
  source.userSwitchRoot = HKEY_CURRENT_USER;
  source.userSwitchPath = kMachineProviders;
  source.environment = &GetSystemConfigEnvironment();
  return source;
}

void LoadProviderConfigs(CProviderConfigMap& providers) {
  LoadProviderConfigs(providers, GetSystemProviderDiscoverySource());
}

void LoadProviderConfigs(CProviderConfigMap& providers, const CProviderDiscoverySource& source) {
  for (const auto& location : source.locations) {
    const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(location.root, location.path);
    if (key) LoadProviderConfigsFromKey(providers, key.get(), source);
  }
}

void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key) {
  LoadProviderConfigsFromKey(providers, key, GetSystemProviderDiscoverySource());
}

void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key,
                                const CProviderDiscoverySource& source) {
  for (DWORD index = 0;; ++index) {
    wchar_t name[kMaxSubKeyName] = {};
    const LONG status = RegEnumKeyW(key, index, name, kMaxSubKeyName);
    // A name too long for the buffer is passed over. Any other failure ends the walk: it would repeat
    // for every further index and never reach the end of the list.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    const std::wstring subKey(name);
    CProviderConfig config(key, subKey, *source.environment);
    bool userDisabled = false;
    if (IsProviderDisabledForUser(subKey, userDisabled, source)) config.disabled = userDisabled ? 1 : 0;
    if (IsProviderConfigValid(config)) {
      providers[config.name] = config;
    } else {
      providers.erase(config.name);
    }
  }
}

bool IsProviderDisabledForUser(const std::wstring& subKeyName, bool& disabled) {
  return IsProviderDisabledForUser(subKeyName, disabled, GetSystemProviderDiscoverySource());
}

bool IsProviderDisabledForUser(const std::wstring& subKeyName, bool& disabled,
                               const CProviderDiscoverySource& source) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(
      source.userSwitchRoot, source.userSwitchPath, subKeyName.c_str(), KEY_QUERY_VALUE);
  DWORD value = 0;
  if (!luma::QueryDwordValue(key.get(), L"Disabled", value)) return false;
  disabled = value != 0;
  return true;
}

bool IsProviderConfigValid(const CProviderConfig& config) {
  const auto authConfig = config.GetAuthConfig();
  return authConfig && authConfig->IsValid() && !config.name.empty() && !config.Name.empty() &&
         !config.Description.empty() && !config.PolicyStore.empty() && !config.service.ServiceURL.empty() &&
         config.disabled == 0 && config.member;
}

CProviderContextMap CreateProviderContexts(
    const CProviderConfigMap& providers, const std::list<std::shared_ptr<CPolicySignerTrustConfig>>& trusts) {
  CProviderContextMap contexts;
  for (const auto& provider : providers) {
    auto context = std::make_shared<CProviderContext>(provider.second);
    const std::list<CSecureBuffer> signers = GetPolicySignersForProvider(trusts, provider.second.name);
    if (!signers.empty()) context->AddPolicySignerTrusts(signers);
    contexts[provider.first] = context;
  }
  return contexts;
}

}  // namespace luma::policy
