// Expansion of "{NAME}" references in filter values.
#ifndef LUMA_POLICY_CORE_VARIABLE_EXPANSION_H_
#define LUMA_POLICY_CORE_VARIABLE_EXPANSION_H_

#include "foundation/core/platform.h"
#include "policy/core/variable_provider.h"

namespace luma::policy {

// A provider's values may hold references again, and one leading back to itself would never end:
// a value needing more substitutions than this cannot be resolved.
constexpr int kMaxVariableSubstitutions = 16;

// Replaces the innermost (last opened) complete reference by its value, over and over, until none is
// left; a "{" without a "}" after it stops the expansion and leaves the rest as written. Values of
// fewer than 3 characters are never expanded. Returns false, with `expanded` holding the text reached,
// when the value needs more than kMaxVariableSubstitutions substitutions.
bool ExpandFilterVariables(const WString& value, const CVariableProvider& provider, WString& expanded);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_VARIABLE_EXPANSION_H_
