#include "policy/core/attribute_filter.h"

namespace luma::policy {

WString AttributeFilterOperatorText(AttributeFilterOperator op) {
  switch (op) {
    case AttributeFilterOperator::NONE:
      return WSTR(" NONE ");
    case AttributeFilterOperator::EQUALS:
      return WSTR(" EQUALS ");
    case AttributeFilterOperator::PRESENT:
      return WSTR(" PRESENT");
    case AttributeFilterOperator::CONTAINS:
      return WSTR(" CONTAINS ");
    case AttributeFilterOperator::GREATER_OR_EQUAL:
      return WSTR(" GREATER_OR_EQUAL ");
    case AttributeFilterOperator::LESS_OR_EQUAL:
      return WSTR(" LESS_OR_EQUAL ");
  }
  return WString();
}

}  // namespace luma::policy
