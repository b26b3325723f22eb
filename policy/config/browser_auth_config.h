// Login in an embedded browser window: the start page, the session cookie it leaves, the options of
// the browser control and window, the user agent (per DNS domain if configured) and the domains the
// login may navigate to. Read from the provider key's "Browser" subkey and its subkeys.
#ifndef LUMA_POLICY_CONFIG_BROWSER_AUTH_CONFIG_H_
#define LUMA_POLICY_CONFIG_BROWSER_AUTH_CONFIG_H_

#include <windows.h>

#include <string>
#include <vector>

#include "policy/config/auth_config.h"

class CBrowserAuthConfig : public CExplicitAuthConfig {
 public:
  explicit CBrowserAuthConfig(
      HKEY providerKey, const CConfigEnvironment& environment = luma::policy::GetSystemConfigEnvironment());
  bool IsValid() const override {
    return CExplicitAuthConfig::IsValid() && !AuthCookieName.empty() && !RegistrationURL.empty();
  }

  std::wstring RegistrationURL;  // start page; the method's ServiceURL unless set
  std::wstring AuthCookieName = L"AL_SESS-S";
  bool TrySilentFirst = false;
  // "BrowserFeatures"
  std::wstring OverrideKeyPath;
  bool AllowFormAutofill = false;
  bool EnableScrollbars = false;
  bool EnableProgressBar = true;
  bool ForceSilent = false;
  bool ShowScriptErrors = false;
  bool AllowPopups = true;
  bool UseIEFriendlyErrorPages = false;
  bool PersistCookies = true;
  DWORD AutoCloseOnError = 5000;  // milliseconds an error page stays; 0: until closed
  // "GUI": size in dialog base units and horizontal offset of the login window
  LONG CX = 70;
  LONG CY = 50;
  LONG OffsetX = 0;
  std::wstring UserAgent;
  std::vector<std::wstring> AllowedNavigationDomains;

 private:
  void ReadFeatures(HKEY browserKey);
  void ReadWindow(HKEY browserKey);
  void ReadUserAgent(HKEY browserKey, const CConfigEnvironment& environment);
  void ReadNavigationDomains(HKEY browserKey);
};

#endif  // LUMA_POLICY_CONFIG_BROWSER_AUTH_CONFIG_H_
