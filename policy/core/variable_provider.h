// Resolves the "{NAME}" references in the values of filter expressions.
#ifndef LUMA_POLICY_CORE_VARIABLE_PROVIDER_H_
#define LUMA_POLICY_CORE_VARIABLE_PROVIDER_H_

#include <map>

#include "foundation/core/platform.h"

class CVariableProvider {
 public:
  virtual ~CVariableProvider() = default;
  virtual WString GetValue(const WString& name) const = 0;
};

// Gives every name back unchanged.
class CNopVariableProvider : public CVariableProvider {
 public:
  WString GetValue(const WString& name) const override { return name; }
};

// Variables by name, matched without regard to letter case; a name it does not hold reads as the
// default value. Filled once, then only read, so any thread may ask it.
class CMapVariableProvider : public CVariableProvider {
 public:
  explicit CMapVariableProvider(WString defaultValue) : defaultValue(std::move(defaultValue)) {}

  // Adds or overwrites each entry under the upper-case form of its name.
  void SetVariables(const std::map<WString, WString>& values);
  WString GetValue(const WString& name) const override;

 private:
  std::map<WString, WString> variables;  // key: the name in upper case
  WString defaultValue;
};

#endif  // LUMA_POLICY_CORE_VARIABLE_PROVIDER_H_
