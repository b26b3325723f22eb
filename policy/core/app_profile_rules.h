// The version rules of an application profile: each names, for the process versions its condition
// accepts, the crypto provider and the certificate filter that replace the profile's defaults.
#ifndef LUMA_POLICY_CORE_APP_PROFILE_RULES_H_
#define LUMA_POLICY_CORE_APP_PROFILE_RULES_H_

#include <vector>

#include "foundation/core/platform.h"
#include "foundation/core/version.h"

class CAppProfileVersionRule {
 public:
  CAppProfileVersionRule() = default;
  CAppProfileVersionRule(const WString& versionMatchText, const WString& provider, const WString& certFilter)
      : versionMatch(versionMatchText), Provider(provider), CertFilter(certFilter) {}

  CVersionMatch versionMatch;  // empty text: any version
  WString Provider;            // replaces the profile's provider when not empty
  WString CertFilter;          // replaces the profile's filter when not empty
};

namespace luma::policy {

// Puts the rules into matching order: a stable ascending sort by their conditions, then reversed. So
// rules whose first part is a wildcard or missing are tried first, then the others from the highest
// version down, and among equal leading numbers the shorter condition first. Configurations rely on
// this order, a leading wildcard rule included, so it is kept as it is.
void OrderVersionRules(std::vector<CAppProfileVersionRule>& rules);

// Applies the first rule, in the given order, that accepts the version; later rules are not looked
// at. Empty names of the rule leave the outputs alone. False when no rule accepts the version.
bool ApplyVersionRules(const std::vector<CAppProfileVersionRule>& rules, const CVersion& version,
                       WString& provider, WString& certFilter);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_APP_PROFILE_RULES_H_
