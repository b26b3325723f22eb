#include "policy/signed/provider_discovery.h"

namespace {

constexpr wchar_t kMachineProviders[] = L"SOFTWARE\\nuvak\\lumaPassV\\Provider";
constexpr wchar_t kPolicyProviders[] = L"SOFTWARE\\Policies\\nuvak\\lumaPassV\\Provider";
constexpr DWORD kMaxSubKeyName = 260;

// An open registry key, closed when it goes.
class CRegistryKey {
 public:
  explicit CRegistryKey(HKEY key) : key(key) {}
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;
  ~CRegistryKey() {
    if (key != nullptr) RegCloseKey(key);
  }
  HKEY get() const { return key; }

 private:
  HKEY key;
};

}  // namespace

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
    HKEY key = nullptr;
    if (RegOpenKeyExW(location.root, location.path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS) {
      continue;
    }
    LoadProviderConfigsFromKey(providers, key, source);
  }
}

void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key) {
  LoadProviderConfigsFromKey(providers, key, GetSystemProviderDiscoverySource());
}

void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key,
                                const CProviderDiscoverySource& source) {
  const CRegistryKey owned(key);
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
  // The key is opened in the 64-bit view first: RegGetValueW's own view flag is unknown to older
  // systems.
  HKEY key = nullptr;
  const std::wstring path = source.userSwitchPath + L"\\" + subKeyName;
  if (RegOpenKeyExW(source.userSwitchRoot, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  const CRegistryKey owned(key);
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(key, nullptr, L"Disabled", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS ||
      size != sizeof(value)) {
    return false;
  }
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
