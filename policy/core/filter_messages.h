// The parser's error messages; each is followed by the quoted text and a closing "'".
#ifndef LUMA_POLICY_CORE_FILTER_MESSAGES_H_
#define LUMA_POLICY_CORE_FILTER_MESSAGES_H_

#include "foundation/core/platform.h"

namespace luma::policy {

extern const WCHAR* const kNothingBeforeFilter;
extern const WCHAR* const kNothingBetweenSubFilters;
extern const WCHAR* const kUnbalancedBrackets;
extern const WCHAR* const kNotNeedsSingleSubFilter;
extern const WCHAR* const kMultipleSubFiltersRequired;
extern const WCHAR* const kFilterNestedTooDeeply;
extern const WCHAR* const kWildCardNotSupported;
extern const WCHAR* const kUnsupportedFilterType;
extern const WCHAR* const kValueMissing;
extern const WCHAR* const kUnsupportedAttribute;
extern const WCHAR* const kInvalidParameterOrOperation;

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_FILTER_MESSAGES_H_
