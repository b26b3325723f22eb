#include "policy/config/browser_auth_config.h"

#include "foundation/core/string_utils.h"
#include "foundation/win/registry_reader.h"

namespace {
bool ReadFlag(HKEY key, const wchar_t* valueName, bool defaultValue) {
  return luma::RegQueryDWORD(defaultValue ? 1 : 0, key, valueName) != 0;
}
LONG ReadSigned(HKEY key, const wchar_t* valueName, LONG defaultValue) {
  return static_cast<LONG>(luma::RegQueryDWORD(static_cast<DWORD>(defaultValue), key, valueName));
}
}  // namespace

CBrowserAuthConfig::CBrowserAuthConfig(HKEY providerKey, const CConfigEnvironment& environment)
    : CExplicitAuthConfig(AUTH_TYPE_BROWSER) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(providerKey, L"Browser");
  if (!key) return;
  ReadExplicitSettings(key.get(), environment.GetUILanguageName());
  RegistrationURL = luma::RegQueryString(key.get(), L"RegistrationURL", service.ServiceURL.c_str());
  AuthCookieName = luma::RegQueryString(key.get(), L"AuthCookieName", AuthCookieName.c_str());
  TrySilentFirst = luma::RegQueryDWORD(0, key.get(), L"TrySilentFirst") != 0;
  ReadFeatures(key.get());
  ReadWindow(key.get());
  ReadUserAgent(key.get(), environment);
  ReadNavigationDomains(key.get());
}

void CBrowserAuthConfig::ReadFeatures(HKEY browserKey) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(browserKey, L"BrowserFeatures");
  if (!key) return;
  OverrideKeyPath = luma::RegQueryString(key.get(), L"OverrideKeyPath");
  AllowFormAutofill = ReadFlag(key.get(), L"AllowFormAutofill", AllowFormAutofill);
  EnableScrollbars = ReadFlag(key.get(), L"EnableScrollbars", EnableScrollbars);
  EnableProgressBar = ReadFlag(key.get(), L"EnableProgressBar", EnableProgressBar);
  ForceSilent = ReadFlag(key.get(), L"ForceSilent", ForceSilent);
  ShowScriptErrors = ReadFlag(key.get(), L"ShowScriptErrors", ShowScriptErrors);
  AllowPopups = ReadFlag(key.get(), L"AllowPopups", AllowPopups);
  UseIEFriendlyErrorPages = ReadFlag(key.get(), L"UseIEFriendlyErrorPages", UseIEFriendlyErrorPages);
  PersistCookies = ReadFlag(key.get(), L"PersistCookies", PersistCookies);
  AutoCloseOnError = luma::RegQueryDWORD(AutoCloseOnError, key.get(), L"AutoCloseOnError");
}

void CBrowserAuthConfig::ReadWindow(HKEY browserKey) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(browserKey, L"GUI");
  if (!key) return;
  CX = ReadSigned(key.get(), L"CX", CX);
  CY = ReadSigned(key.get(), L"CY", CY);
  OffsetX = ReadSigned(key.get(), L"OffsetX", OffsetX);
}

void CBrowserAuthConfig::ReadUserAgent(HKEY browserKey, const CConfigEnvironment& environment) {
  const luma::CRegistryKeyHandle key = luma::OpenRegistryKeyForReading(browserKey, L"UserAgent");
  if (!key) return;
  UserAgent = luma::RegQueryString(key.get(), nullptr);
  // A machine without a DNS domain keeps the default text: the empty name is the default value.
  const std::wstring domain = environment.GetComputerDnsDomain();
  if (domain.empty()) return;
  const std::wstring perDomain = luma::RegQueryString(key.get(), domain.c_str());
  if (!perDomain.empty()) UserAgent = perDomain;
}

void CBrowserAuthConfig::ReadNavigationDomains(HKEY browserKey) {
  std::vector<std::wstring> names;
  luma::RegEnumValueNames(browserKey, std::wstring(), L"AllowedNavigationDomains", names);
  if (names.empty()) return;
  const luma::CRegistryKeyHandle key =
      luma::OpenRegistryKeyForReading(browserKey, L"AllowedNavigationDomains");
  for (const std::wstring& name : names) {
    // The names only tell the values apart; the texts are the domains.
    const std::wstring domain = luma::TrimWhitespace(luma::RegQueryString(key.get(), name.c_str()));
    if (!domain.empty()) AllowedNavigationDomains.push_back(domain);
  }
}
