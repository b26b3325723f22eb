// Base of the attributes that are a text of the item (names, fingerprints, identifiers).
#ifndef LUMA_POLICY_CORE_STRING_BASED_ATTRIBUTE_FILTER_H_
#define LUMA_POLICY_CORE_STRING_BASED_ATTRIBUTE_FILTER_H_

#include "policy/core/attribute_filter.h"

template <typename T>
class CStringBasedAttributeFilter : public CAttributeFilter<T> {
 public:
  // EQUALS compares exactly, PRESENT asks whether the item has the text, CONTAINS looks for the value
  // without regard to letter case; every other operator matches nothing.
  bool Match(const T& item) const override {
    if (!this->valid) return false;
    WString text;
    const bool found = GetValue(item, text);
    switch (this->filterOperator) {
      case AttributeFilterOperator::EQUALS:
        return text == this->value;
      case AttributeFilterOperator::PRESENT:
        return found;
      case AttributeFilterOperator::CONTAINS:
        return luma::ToUpperCase(text).find(upperValue) != WString::npos;
      default:
        return false;
    }
  }

  // The attribute's text for the item, and whether the item has one.
  virtual bool GetValue(const T& item, WString& text) const = 0;

 protected:
  CStringBasedAttributeFilter() = default;
  // Takes the value through SetValue at once, so that CONTAINS always has its upper-case form even
  // when a concrete constructor does not change the value.
  CStringBasedAttributeFilter(const WString& name, const WString& parameter, AttributeFilterOperator op,
                              const WString& value)
      : CAttributeFilter<T>(name, parameter, op, value) {
    SetValue(value);
  }
  CStringBasedAttributeFilter(const CStringBasedAttributeFilter&) = default;

  void SetValue(const WString& text) {
    this->value = text;
    if (this->filterOperator == AttributeFilterOperator::CONTAINS) {
      upperValue = luma::ToUpperCase(text);
    }
  }

  WString upperValue;  // set for CONTAINS only
};

#endif  // LUMA_POLICY_CORE_STRING_BASED_ATTRIBUTE_FILTER_H_
