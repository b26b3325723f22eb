// The built-in filter variables' names from the system: GetComputerNameExW and GetUserNameExW.
#ifndef LUMA_POLICY_FILTERS_SYSTEM_NAME_SOURCE_H_
#define LUMA_POLICY_FILTERS_SYSTEM_NAME_SOURCE_H_

#include <windows.h>

#include "policy/core/built_in_variables.h"

class CWindowsSystemNameSource : public CSystemNameSource {
 public:
  // The two system calls, replaceable so that tests can answer as a domain member would.
  using ComputerNameQuery = BOOL (*)(ComputerNameKind kind, WCHAR* buffer, DWORD* size);
  using UserNameQuery = BOOL (*)(UserNameFormat format, WCHAR* buffer, ULONG* size);

  // Buffer size of every query, in characters with the terminating zero.
  static constexpr DWORD kNameBufferChars = 260;

  CWindowsSystemNameSource();  // the system's functions
  CWindowsSystemNameSource(ComputerNameQuery computerName, UserNameQuery userName)
      : computerName(computerName), userName(userName) {}

  bool QueryComputerName(ComputerNameKind kind, WString& name) const override;
  bool QueryUserName(UserNameFormat format, WString& name) const override;

 private:
  ComputerNameQuery computerName;
  UserNameQuery userName;
};

#endif  // LUMA_POLICY_FILTERS_SYSTEM_NAME_SOURCE_H_
