// Application profiles of the certificate store: per calling process (its image path and file
// version) the key provider that the store's certificates name and the filter that decides which
// certificates the process sees. Read once from the registry's "CertStore" keys of the application
// settings; the answers are kept for the life of the object.
#ifndef LUMA_POLICY_ACCOUNT_CERT_STORE_PROFILES_H_
#define LUMA_POLICY_ACCOUNT_CERT_STORE_PROFILES_H_

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/core/version.h"
#include "foundation/win/registry_reader.h"
#include "policy/core/app_profile_rules.h"
#include "policy/core/timed_cache.h"
#include "policy/filters/certificate_filter_holder.h"
#include "policy/signed/certificate_policy.h"

class CCryptoProviderConfig {
 public:
  std::wstring Name;  // the key provider to report
  DWORD Type = 0;     // its CryptoAPI provider type
};

class CCertificateFilterConfig {
 public:
  // True for an empty list; otherwise when any filter accepts the certificate of the certificate
  // policy. A missing policy, or one without a certificate, is accepted by no filter.
  bool Match(const CCertificatePolicy* certificatePolicy) const;

  std::vector<CCertificateFilter> filters;  // in the order of their value names
};

class CAppProfileConfig {
 public:
  // False (outputs untouched) unless the path matches ProcessPathSpec (several patterns may be
  // separated by ";", letters compare in either case); then the defaults, replaced by the first
  // version rule that accepts the version.
  bool Match(const std::wstring& path, const CVersion& version, std::wstring& providerName,
             std::wstring& filterName) const;

  std::wstring ProcessPathSpec;  // environment variables expanded; empty never matches
  std::wstring DefaultProvider;
  std::wstring DefaultCertFilter;
  std::vector<CAppProfileVersionRule> rules;  // in matching order
};

using CCertStoreProfile =
    std::pair<std::shared_ptr<CCryptoProviderConfig>, std::shared_ptr<CCertificateFilterConfig>>;

class CCertStoreConfig {
 public:
  // Reads the four application-setting locations; never fails (missing keys give no profiles).
  CCertStoreConfig();
  // Reads the reader's locations, the first holding a value winning.
  explicit CCertStoreConfig(const CRegistryReader& reader);
  CCertStoreConfig(const CCertStoreConfig&) = delete;
  CCertStoreConfig& operator=(const CCertStoreConfig&) = delete;

  // The provider and filter for the process; false (profile emptied) when neither a profile nor the
  // defaults apply. Resolved answers are cached by path and exact version text. Thread-safe.
  bool ResolveAppProfile(const std::wstring& processPath, const std::wstring& versionText,
                         CCertStoreProfile& profile);

 private:
  void ReadCryptoProviders(const CRegistryReader& reader);
  void ReadCertificateFilters(const CRegistryReader& reader);
  void ReadProfiles(const CRegistryReader& reader);
  void ReadDefaults(const CRegistryReader& reader);
  CCertStoreProfile Lookup(const std::wstring& providerName, const std::wstring& filterName) const;

  CTimedCache<CCertStoreProfile> cache;
  std::shared_ptr<CCryptoProviderConfig> defaultProvider;
  std::shared_ptr<CCertificateFilterConfig> defaultFilter;
  // Names are ordered and compared by their UTF-16 code units: case counts.
  std::map<std::wstring, std::shared_ptr<CAppProfileConfig>> profiles;
  std::map<std::wstring, std::shared_ptr<CCryptoProviderConfig>> cryptoProviders;
  std::map<std::wstring, std::shared_ptr<CCertificateFilterConfig>> certificateFilters;
};

#endif  // LUMA_POLICY_ACCOUNT_CERT_STORE_PROFILES_H_
