// The place checks of an account: an empty constraint allows every domain or computer, any other
// must equal the system's name apart from the case of A to Z.
#ifndef LUMA_POLICY_CORE_NAME_CONSTRAINT_H_
#define LUMA_POLICY_CORE_NAME_CONSTRAINT_H_

#include "foundation/core/platform.h"

namespace luma {
namespace policy {

bool IsNameAllowed(const WString& constraint, const WString& systemName);

// providerName + "/" + userId, lower-cased in the ASCII range.
WString MakeAccountKey(const WString& providerName, const WString& userId);

}  // namespace policy
}  // namespace luma

#endif  // LUMA_POLICY_CORE_NAME_CONSTRAINT_H_
