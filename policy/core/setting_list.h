// The list rule of the configuration for values that name several items (issuer fingerprints,
// groups): an entry may itself hold several items separated by "," or ";", and blanks are never
// part of an item.
#ifndef LUMA_POLICY_CORE_SETTING_LIST_H_
#define LUMA_POLICY_CORE_SETTING_LIST_H_

#include <vector>

#include "foundation/core/platform.h"

namespace luma::policy {

// Removes every space character from each entry, splits the rest at every "," and ";" and returns
// the non-empty pieces in order.
std::vector<WString> SplitSettingList(const std::vector<WString>& entries);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_SETTING_LIST_H_
