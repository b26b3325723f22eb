// Finds the service providers that apply to the current user: the definitions under the machine
// key, the machine's group-policy key and the user's group-policy key, each later location replacing
// (valid definition) or removing (invalid one) a provider of the same name, with the user's own
// switch that disables or enables one. Each provider then gets a provider context that trusts the
// policy signers of the trust DLLs that apply to its name.
#ifndef LUMA_POLICY_SIGNED_PROVIDER_DISCOVERY_H_
#define LUMA_POLICY_SIGNED_PROVIDER_DISCOVERY_H_

#include <windows.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "policy/account/provider_context.h"
#include "policy/config/config_environment.h"
#include "policy/config/provider_config.h"
#include "policy/signed/trust_dll.h"

// Keyed by the configuration's upper-case name: names that differ only in case are one provider.
using CProviderConfigMap = std::map<std::wstring, CProviderConfig>;
using CProviderContextMap = std::map<std::wstring, std::shared_ptr<CProviderContext>>;

// Where definitions and the user's switches are read; the system's places by default, others in tests.
struct CProviderDiscoverySource {
  struct Location {
    HKEY root;
    std::wstring path;
  };
  std::vector<Location> locations;  // read in this order, each in the 64-bit view
  HKEY userSwitchRoot;              // userSwitchPath + "\" + subkey name holds the user's "Disabled"
  std::wstring userSwitchPath;
  const CConfigEnvironment* environment;
};

namespace luma::policy {

// HKLM "SOFTWARE\nuvak\lumaPassV\Provider", HKLM and HKCU "SOFTWARE\Policies\nuvak\lumaPassV\Provider";
// the user's switches under HKCU "SOFTWARE\nuvak\lumaPassV\Provider"; the system's environment.
CProviderDiscoverySource GetSystemProviderDiscoverySource();

// Fills the map from every location in order; a location that cannot be opened is skipped.
void LoadProviderConfigs(CProviderConfigMap& providers);
void LoadProviderConfigs(CProviderConfigMap& providers, const CProviderDiscoverySource& source);

// Applies every subkey of the open key to the map; the key stays the caller's to close.
void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key);
void LoadProviderConfigsFromKey(CProviderConfigMap& providers, HKEY key,
                                const CProviderDiscoverySource& source);

// The user's "Disabled" DWORD for the provider subkey: true with disabled = (value != 0) when it was
// read; false (disabled unchanged) otherwise.
bool IsProviderDisabledForUser(const std::wstring& subKeyName, bool& disabled);
bool IsProviderDisabledForUser(const std::wstring& subKeyName, bool& disabled,
                               const CProviderDiscoverySource& source);

// A usable definition: valid authentication, name, display name, description, policy store and
// service address all present, not disabled, and the user in one of its groups (if it names any).
bool IsProviderConfigValid(const CProviderConfig& config);

// One provider context per provider, in map order, each trusting the certificates of every trust
// whose prefixes apply to the provider's name. Registering them with the protocol handler and loading
// their policies is left to the caller.
CProviderContextMap CreateProviderContexts(
    const CProviderConfigMap& providers, const std::list<std::shared_ptr<CPolicySignerTrustConfig>>& trusts);

}  // namespace luma::policy

#endif  // LUMA_POLICY_SIGNED_PROVIDER_DISCOVERY_H_
