#include "policy/core/variable_provider.h"

#include "foundation/core/string_utils.h"

void CMapVariableProvider::SetVariables(const std::map<WString, WString>& values) {
  for (const auto& entry : values) variables[luma::ToUpperCase(entry.first)] = entry.second;
}

WString CMapVariableProvider::GetValue(const WString& name) const {
  const auto found = variables.find(luma::ToUpperCase(name));
  return found != variables.end() ? found->second : defaultValue;
}
