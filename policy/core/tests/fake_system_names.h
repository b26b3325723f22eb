// Fixed answers for the system-name queries of the built-in variables, with a log of the queries.
#ifndef LUMA_POLICY_CORE_TESTS_FAKE_SYSTEM_NAMES_H_
#define LUMA_POLICY_CORE_TESTS_FAKE_SYSTEM_NAMES_H_

#include <map>
#include <vector>

#include "policy/core/built_in_variables.h"

namespace luma::testing {

class CFakeSystemNames : public CSystemNameSource {
 public:
  // A kind or format without an entry fails.
  std::map<ComputerNameKind, WString> computerNames;
  std::map<UserNameFormat, WString> userNames;
  mutable std::vector<UserNameFormat> userQueries;
  mutable int queries = 0;

  bool QueryComputerName(ComputerNameKind kind, WString& name) const override {
    ++queries;
    return Answer(computerNames, kind, name);
  }
  bool QueryUserName(UserNameFormat format, WString& name) const override {
    ++queries;
    userQueries.push_back(format);
    return Answer(userNames, format, name);
  }

 private:
  template <typename K>
  static bool Answer(const std::map<K, WString>& answers, K key, WString& name) {
    const auto found = answers.find(key);
    if (found == answers.end()) return false;
    name = found->second;
    return true;
  }
};

}  // namespace luma::testing

#endif  // LUMA_POLICY_CORE_TESTS_FAKE_SYSTEM_NAMES_H_
