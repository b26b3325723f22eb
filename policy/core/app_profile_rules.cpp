#include "policy/core/app_profile_rules.h"

#include <algorithm>

namespace luma::policy {

void OrderVersionRules(std::vector<CAppProfileVersionRule>& rules) {
  std::stable_sort(rules.begin(), rules.end(),
                   [](const CAppProfileVersionRule& a, const CAppProfileVersionRule& b) {
                     return a.versionMatch < b.versionMatch;
                   });
  std::reverse(rules.begin(), rules.end());
}

bool ApplyVersionRules(const std::vector<CAppProfileVersionRule>& rules, const CVersion& version,
                       WString& provider, WString& certFilter) {
  for (const CAppProfileVersionRule& rule : rules) {
    if (!rule.versionMatch.Matches(version)) continue;
    if (!rule.Provider.empty()) provider = rule.Provider;
    if (!rule.CertFilter.empty()) certFilter = rule.CertFilter;
    return true;
  }
  return false;
}

}  // namespace luma::policy
