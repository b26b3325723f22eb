// The older list syntax of certificate filters: items such as "KU+digitalSignature;EKU+id-kp-clientAuth"
// separated by ";", each a short attribute name in capital letters, one operator character and a
// value. A certificate must meet every item. This is the text side only: what each item compares is in
// legacy_filter_rules.h.
#ifndef LUMA_POLICY_CORE_LEGACY_FILTER_LIST_H_
#define LUMA_POLICY_CORE_LEGACY_FILTER_LIST_H_

#include <cstdint>
#include <vector>

#include "foundation/core/platform.h"

enum class LegacyFilterOperator : std::int32_t {
  INCLUDES = 0,    // "+", and every character that is no operator
  EXCLUDES = 1,    // "-"
  EQUALS = 2,      // "="
  NOT_EQUALS = 3,  // "!"
};

enum class LegacyFilterAttribute {
  KEY_USAGE,                 // "KU"
  ENHANCED_KEY_USAGE,        // "EKU"
  AUTHORITY_KEY_IDENTIFIER,  // "AKI"
  ISSUER_DN,                 // "IDN"
  SUBJECT_DN,                // "SDN"
  USER_PRINCIPAL_NAME,       // "UPN"
  LIFETIME,                  // "CLT"
  REMAINING_LIFETIME,        // "RLT"
  KEY_LENGTH,                // "LEN"
};

struct LegacyFilterItem {
  LegacyFilterAttribute attribute;
  LegacyFilterOperator op;
  WString value;  // trimmed, otherwise as written
};

namespace luma::policy {

// The attribute of a short name; false for any other name (the names are case-sensitive).
bool LegacyFilterAttributeOf(const WString& name, LegacyFilterAttribute& attribute);

// The usable items of a list text in text order. Pieces that cannot be used are skipped without a
// message: empty ones, ones that do not begin with a capital letter, unknown names, and a name with
// nothing after it (no operator to read).
std::vector<LegacyFilterItem> ParseLegacyFilterList(const WString& text);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_LEGACY_FILTER_LIST_H_
