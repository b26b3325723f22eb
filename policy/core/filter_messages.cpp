#include "policy/core/filter_messages.h"

namespace luma::policy {

const WCHAR* const kNothingBeforeFilter = WSTR("No non-white space character allowed before filter '");
const WCHAR* const kNothingBetweenSubFilters =
    WSTR("No non-white space character allowed between sub filters '");
const WCHAR* const kUnbalancedBrackets = WSTR("Unbalanced brackets '");
const WCHAR* const kNotNeedsSingleSubFilter = WSTR("Not filter requires a single sub filter '");
const WCHAR* const kMultipleSubFiltersRequired = WSTR("Multiple sub filter required for boolean operation '");
const WCHAR* const kFilterNestedTooDeeply = WSTR("Filter nested deeper than 64 levels '");
const WCHAR* const kWildCardNotSupported = WSTR("Wild card matching not supported '");
const WCHAR* const kUnsupportedFilterType = WSTR("Unsupported filter type '");
const WCHAR* const kValueMissing = WSTR("Value missing for filter '");
const WCHAR* const kUnsupportedAttribute = WSTR("Unsupported attribute '");
const WCHAR* const kInvalidParameterOrOperation =
    WSTR("Invalid parameter or unsupported operation for filter '");

}  // namespace luma::policy
