#include "policy/core/variable_expansion.h"

namespace luma::policy {

bool ExpandFilterVariables(const WString& value, const CVariableProvider& provider, WString& expanded) {
  expanded = value;
  if (expanded.size() < 3) return true;
  for (int substitutions = 0;; ++substitutions) {
    const auto open = expanded.rfind(WSTR('{'));
    if (open == WString::npos) return true;
    const auto close = expanded.find(WSTR('}'), open);
    if (close == WString::npos) return true;
    if (substitutions == kMaxVariableSubstitutions) return false;
    expanded.replace(open, close - open + 1, provider.GetValue(expanded.substr(open + 1, close - open - 1)));
  }
}

}  // namespace luma::policy
