// Fixed answers for the machine and user facts of the configuration.
#ifndef LUMA_POLICY_TESTING_FAKE_CONFIG_ENVIRONMENT_H_
#define LUMA_POLICY_TESTING_FAKE_CONFIG_ENVIRONMENT_H_

#include <map>
#include <string>
#include <vector>

#include "policy/config/config_environment.h"

namespace luma::testing {

class CFakeConfigEnvironment : public CConfigEnvironment {
 public:
  std::wstring language = L"en";
  std::wstring dnsDomain;
  bool physicalStore = false;
  // Groups the user is in; a group not listed in either map cannot be resolved.
  std::map<std::wstring, bool> groups;
  mutable std::vector<std::wstring> groupQueries;

  std::wstring GetUILanguageName() const override { return language; }
  std::wstring GetComputerDnsDomain() const override { return dnsDomain; }
  DWORD IsCurrentUserInGroup(const std::wstring& group, bool& member) const override {
    groupQueries.push_back(group);
    member = false;
    const auto found = groups.find(group);
    if (found == groups.end()) return ERROR_NONE_MAPPED;
    member = found->second;
    return ERROR_SUCCESS;
  }
  bool ProductPhysicalStoreExists() const override { return physicalStore; }
};

}  // namespace luma::testing

#endif  // LUMA_POLICY_TESTING_FAKE_CONFIG_ENVIRONMENT_H_
