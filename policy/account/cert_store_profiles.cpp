#include "policy/account/cert_store_profiles.h"

#include <shlwapi.h>

#include "foundation/core/string_utils.h"
#include "foundation/win/system_utils.h"
#include "policy/filters/cert_wrapper.h"

namespace {

const std::wstring kCryptoProvidersKey = L"CertStore\\CryptoProviders";
const std::wstring kCertificateFiltersKey = L"CertStore\\CertificateFilters";
const std::wstring kAppProfilesKey = L"CertStore\\AppProfiles";
const std::wstring kDefaultProfileKey = L"CertStore\\AppProfiles\\Default";
const wchar_t kCacheKeySeparator[] = L"::::";

// Names of one key from every location in location order; a name in several locations repeats.
std::vector<std::wstring> CollectSubKeys(const CRegistryReader& reader, const std::wstring& key) {
  std::vector<std::wstring> names;
  for (const auto& location : reader.GetLocations())
    luma::RegEnumSubKeys(location.root, location.path, key.c_str(), names);
  return names;
}

std::vector<std::wstring> CollectValueNames(const CRegistryReader& reader, const std::wstring& key) {
  std::vector<std::wstring> names;
  for (const auto& location : reader.GetLocations()) {
    luma::RegEnumValueNames(location.root, location.path, key.c_str(), names);
  }
  return names;
}

std::wstring ReadString(const CRegistryReader& reader, const std::wstring& key, const wchar_t* value) {
  return reader.GetString(key.c_str(), value, std::wstring());
}

CRegistryReader ApplicationSettingsReader() {
  CRegistryReader reader;
  luma::AddApplicationSettingLocations(reader);
  return reader;
}

}  // namespace

bool CCertificateFilterConfig::Match(const CCertificatePolicy* certificatePolicy) const {
  if (filters.empty()) return true;
  PCCERT_CONTEXT certificate = certificatePolicy ? certificatePolicy->descriptor.GetCertificate() : nullptr;
  if (certificate == nullptr) return false;
  CCertWrapper wrapper(certificate);
  for (const CCertificateFilter& filter : filters) {
    if (filter.Match(&wrapper)) return true;
  }
  return false;
}

bool CAppProfileConfig::Match(const std::wstring& path, const CVersion& version, std::wstring& providerName,
                              std::wstring& filterName) const {
  if (ProcessPathSpec.empty() || !PathMatchSpecW(path.c_str(), ProcessPathSpec.c_str())) return false;
  providerName = DefaultProvider;
  filterName = DefaultCertFilter;
  luma::policy::ApplyVersionRules(rules, version, providerName, filterName);
  return true;
}

CCertStoreConfig::CCertStoreConfig() : CCertStoreConfig(ApplicationSettingsReader()) {}

CCertStoreConfig::CCertStoreConfig(const CRegistryReader& reader) {
  // Answers stay for the life of the object: neither age nor use count expires them.
  cache.SetLimits(CTimedCache<CCertStoreProfile>::kNoLimit, CTimedCache<CCertStoreProfile>::kNoLimit);
  ReadCryptoProviders(reader);
  ReadCertificateFilters(reader);
  ReadProfiles(reader);
  ReadDefaults(reader);
}

void CCertStoreConfig::ReadCryptoProviders(const CRegistryReader& reader) {
  for (const std::wstring& name : CollectSubKeys(reader, kCryptoProvidersKey)) {
    const std::wstring key = kCryptoProvidersKey + L"\\" + name;
    auto provider = std::make_shared<CCryptoProviderConfig>();
    provider->Name = ReadString(reader, key, L"Name");
    provider->Type = reader.GetDWORD(key.c_str(), L"Type", 0);
    if (!provider->Name.empty()) cryptoProviders[name] = provider;
  }
}

void CCertStoreConfig::ReadCertificateFilters(const CRegistryReader& reader) {
  for (const std::wstring& name : CollectSubKeys(reader, kCertificateFiltersKey)) {
    const std::wstring key = kCertificateFiltersKey + L"\\" + name;
    auto filterConfig = std::make_shared<CCertificateFilterConfig>();
    for (const std::wstring& valueName : CollectValueNames(reader, key)) {
      const std::wstring text =
          luma::TrimWhitespace(reader.GetString(key.c_str(), valueName.c_str(), std::wstring()));
      if (!text.empty()) filterConfig->filters.emplace_back(valueName, text);
    }
    certificateFilters[name] = filterConfig;
  }
}

void CCertStoreConfig::ReadProfiles(const CRegistryReader& reader) {
  for (const std::wstring& name : CollectSubKeys(reader, kAppProfilesKey)) {
    const std::wstring key = kAppProfilesKey + L"\\" + name;
    auto profile = std::make_shared<CAppProfileConfig>();
    profile->ProcessPathSpec = luma::ExpandEnvironmentText(ReadString(reader, key, L"ProcessPathSpec"));
    profile->DefaultProvider = ReadString(reader, key, L"DefaultProvider");
    profile->DefaultCertFilter = ReadString(reader, key, L"DefaultCertFilter");
    for (const std::wstring& ruleName : CollectSubKeys(reader, key)) {
      const std::wstring ruleKey = key + L"\\" + ruleName;
      profile->rules.emplace_back(ReadString(reader, ruleKey, L"VersionMatch"),
                                  ReadString(reader, ruleKey, L"Provider"),
                                  ReadString(reader, ruleKey, L"CertFilter"));
    }
    luma::policy::OrderVersionRules(profile->rules);
    profiles[name] = profile;
  }
}

void CCertStoreConfig::ReadDefaults(const CRegistryReader& reader) {
  const CCertStoreProfile defaults = Lookup(ReadString(reader, kDefaultProfileKey, L"Provider"),
                                            ReadString(reader, kDefaultProfileKey, L"CertFilter"));
  defaultProvider = defaults.first;
  defaultFilter = defaults.second;
}

CCertStoreProfile CCertStoreConfig::Lookup(const std::wstring& providerName,
                                           const std::wstring& filterName) const {
  CCertStoreProfile result;
  const auto provider = cryptoProviders.find(providerName);
  if (!providerName.empty() && provider != cryptoProviders.end()) result.first = provider->second;
  const auto filter = certificateFilters.find(filterName);
  if (!filterName.empty() && filter != certificateFilters.end()) result.second = filter->second;
  return result;
}

bool CCertStoreConfig::ResolveAppProfile(const std::wstring& processPath, const std::wstring& versionText,
                                         CCertStoreProfile& profile) {
  const std::wstring key = processPath + kCacheKeySeparator + versionText;
  if (cache.Get(key, profile)) return true;

  const CVersion version(versionText);
  for (const auto& entry : profiles) {
    std::wstring providerName, filterName;
    if (!entry.second->Match(processPath, version, providerName, filterName)) continue;
    profile = Lookup(providerName, filterName);
    cache.Put(key, profile);
    return true;
  }
  if (!defaultProvider && !defaultFilter) {
    profile = CCertStoreProfile();
    return false;
  }
  profile = CCertStoreProfile(defaultProvider, defaultFilter);
  cache.Put(key, profile);
  return true;
}
