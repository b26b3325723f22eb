// Base of the attributes that are a number of the item (key length, lifetimes).
#ifndef LUMA_POLICY_CORE_INTEGER_BASED_ATTRIBUTE_FILTER_H_
#define LUMA_POLICY_CORE_INTEGER_BASED_ATTRIBUTE_FILTER_H_

#include <cstdint>

#include "policy/core/attribute_filter.h"

template <typename T>
class CIntegerBasedAttributeFilter : public CAttributeFilter<T> {
 public:
  // Signed comparisons for EQUALS, GREATER_OR_EQUAL and LESS_OR_EQUAL; every other operator matches nothing.
  bool Match(const T& item) const override {
    if (!this->valid) return false;
    std::int32_t number = 0;
    GetValue(item, number);  // a number the item lacks reads as 0
    switch (this->filterOperator) {
      case AttributeFilterOperator::EQUALS:
        return number == integerValue;
      case AttributeFilterOperator::GREATER_OR_EQUAL:
        return number >= integerValue;
      case AttributeFilterOperator::LESS_OR_EQUAL:
        return number <= integerValue;
      default:
        return false;
    }
  }

  // The attribute's number for the item, and whether it could be read.
  virtual bool GetValue(const T& item, std::int32_t& number) const = 0;

  std::int32_t IntegerValue() const { return integerValue; }

 protected:
  CIntegerBasedAttributeFilter() = default;
  // Valid only when the value is a decimal number and the operator is not CONTAINS.
  CIntegerBasedAttributeFilter(const WString& name, const WString& parameter, AttributeFilterOperator op,
                               const WString& value)
      : CAttributeFilter<T>(name, parameter, op, value) {
    this->valid = false;
    std::int32_t number = 0;
    if (luma::filter_text::ParseDecimalInt32(value, number)) {
      integerValue = number;
      this->valid = op != AttributeFilterOperator::CONTAINS;
    }
  }
  CIntegerBasedAttributeFilter(const CIntegerBasedAttributeFilter&) = default;

  std::int32_t integerValue = 0;
};

#endif  // LUMA_POLICY_CORE_INTEGER_BASED_ATTRIBUTE_FILTER_H_
