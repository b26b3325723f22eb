#include "policy/core/name_constraint.h"

#include "foundation/core/string_utils.h"

namespace luma {
namespace policy {

bool IsNameAllowed(const WString& constraint, const WString& systemName) {
  // A computer outside a domain has an empty name, which no domain constraint matches.
  return constraint.empty() || (!systemName.empty() && luma::EqualsIgnoreCase(constraint, systemName));
}

WString MakeAccountKey(const WString& providerName, const WString& userId) {
  return luma::ToLowerCase(providerName + WSTR("/") + userId);
}

}  // namespace policy
}  // namespace luma
