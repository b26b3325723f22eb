// The built-in filter variables: the computer's names and the signed-in user's principal and login
// names. The system calls stay behind CSystemNameSource; the Windows side answers them with
// GetComputerNameExW and GetUserNameExW, tests with fixed texts.
#ifndef LUMA_POLICY_CORE_BUILT_IN_VARIABLES_H_
#define LUMA_POLICY_CORE_BUILT_IN_VARIABLES_H_

#include <map>

#include "foundation/core/platform.h"

// The name types of GetComputerNameExW, with their Win32 values.
enum class ComputerNameKind : int {
  NetBIOS = 0,
  DnsHostname = 1,
  DnsDomain = 2,
  DnsFullyQualified = 3,
};

// The name formats of GetUserNameExW, with their Win32 values.
enum class UserNameFormat : int {
  SamCompatible = 2,
  UserPrincipal = 8,
  DnsDomain = 12,
};

class CSystemNameSource {
 public:
  virtual ~CSystemNameSource() = default;
  // Each query answers the name as the system gives it (untrimmed), or false when the call failed or
  // its answer did not fit a buffer of 260 characters.
  virtual bool QueryComputerName(ComputerNameKind kind, WString& name) const = 0;
  virtual bool QueryUserName(UserNameFormat format, WString& name) const = 0;
};

namespace luma::policy {

// Fills `variables` with the built-in variables the source can answer; a query that fails leaves the
// variables it would have defined undefined.
void GetBuiltInVariables(const CSystemNameSource& source, std::map<WString, WString>& variables);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_BUILT_IN_VARIABLES_H_
