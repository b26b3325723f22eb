// The facts about the machine and the user that the provider and authentication configuration
// depends on, behind one interface so that tests can answer them: the interface language, the
// computer's DNS domain, group membership and whether the product's physical store is registered.
#ifndef LUMA_POLICY_CONFIG_CONFIG_ENVIRONMENT_H_
#define LUMA_POLICY_CONFIG_CONFIG_ENVIRONMENT_H_

#include <windows.h>

#include <string>

class CConfigEnvironment {
 public:
  virtual ~CConfigEnvironment() = default;
  // ISO 639 name of the interface language, "en" when the system knows none.
  virtual std::wstring GetUILanguageName() const = 0;
  // The computer's DNS domain; empty when it has none or it cannot be read.
  virtual std::wstring GetComputerDnsDomain() const = 0;
  // Win32 error code; member tells the answer when the code is ERROR_SUCCESS.
  virtual DWORD IsCurrentUserInGroup(const std::wstring& group, bool& member) const = 0;
  // Whether the current user's "MY\lumaPassV" physical store exists.
  virtual bool ProductPhysicalStoreExists() const = 0;
};

namespace luma::policy {

// The environment of the running system. Its store probe runs once per process, on first use, and
// the answer serves every later question.
const CConfigEnvironment& GetSystemConfigEnvironment();

// The real calls behind the system environment.
std::wstring QueryComputerDnsDomain();
bool ProbeProductPhysicalStore();

}  // namespace luma::policy

#endif  // LUMA_POLICY_CONFIG_CONFIG_ENVIRONMENT_H_
