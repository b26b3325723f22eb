#include "policy/core/variable_provider.h"

#include "policy/core/filter_text.h"

void CMapVariableProvider::SetVariables(const std::map<WString, WString>& values) {
  for (const auto& entry : values) variables[luma::filter_text::ToUpperCase(entry.first)] = entry.second;
}

WString CMapVariableProvider::GetValue(const WString& name) const {
  const auto found = variables.find(luma::filter_text::ToUpperCase(name));
  return found != variables.end() ? found->second : defaultValue;
}
