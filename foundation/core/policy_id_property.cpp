#include "foundation/core/policy_id_property.h"

namespace luma {

WString AccountKeyFromPolicyIdValue(const std::uint8_t* value, std::size_t size) {
  WString key;
  if (value == nullptr) return key;
  for (std::size_t at = 0; at + 1 < size; at += 2) {
    const auto unit = static_cast<WString::value_type>(value[at] | (value[at + 1] << 8));
    if (unit == 0) break;
    key.push_back(unit);
  }
  return key;
}

}  // namespace luma
